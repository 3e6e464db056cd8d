#!/usr/bin/env bash
# Main job: builds the package, brings up a private Wine prefix with its own Xvfb and the
# simulated driver, and calibrates a simulated touch screen whose controller is scaled, shifted,
# slightly rotated and noisy. A simulated finger touches every mark of TqTouchCalib.exe with
# real mouse input while the driver reports the distorted raw point, then accepts with OK.
# Prints the record written and the largest residual, and saves screenshots (PNG). Then installs
# and runs the touch service against the same screen, and runs TqTouchInit. Last it installs the
# installation package, walks the Control Panel item in English and German at 96 and 144 dpi
# with a screenshot of each screen (SHOTS/applet-*), and removes the package. Where 32-bit
# programs cannot run, it runs an x86_64 build of them (DIR/x64) in a win64 prefix instead.
#
# Usage: demo.sh [--build DIR] [--shots DIR] [--size WxH] [--scale-x S] [--scale-y S]
#                [--offset-x O] [--offset-y O] [--rotate DEGREES] [--noise UNITS] [--seed N]
# The same settings from the environment: TQ_BUILD, TQ_DEMO_SHOTS, TQ_DEMO_SIZE,
# TQ_DEMO_SCALE_X, TQ_DEMO_SCALE_Y, TQ_DEMO_OFFSET_X, TQ_DEMO_OFFSET_Y, TQ_DEMO_ROTATE,
# TQ_DEMO_NOISE, TQ_DEMO_SEED.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"

build=${TQ_BUILD:-$root/build}
shots=${TQ_DEMO_SHOTS:-}
size=${TQ_DEMO_SIZE:-1024x768}
scale_x=${TQ_DEMO_SCALE_X:-3.6}
scale_y=${TQ_DEMO_SCALE_Y:-4.8}
offset_x=${TQ_DEMO_OFFSET_X:-180}
offset_y=${TQ_DEMO_OFFSET_Y:-140}
rotate=${TQ_DEMO_ROTATE:-1.5}
noise=${TQ_DEMO_NOISE:-2}
seed=${TQ_DEMO_SEED:-1}

while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2 ;;
    --shots) shots=$2 ;;
    --size) size=$2 ;;
    --scale-x) scale_x=$2 ;;
    --scale-y) scale_y=$2 ;;
    --offset-x) offset_x=$2 ;;
    --offset-y) offset_y=$2 ;;
    --rotate) rotate=$2 ;;
    --noise) noise=$2 ;;
    --seed) seed=$2 ;;
    -h | --help)
        sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "demo: unknown option $1 (see --help)" >&2
        exit 2
        ;;
    esac
    [ $# -ge 2 ] || { echo "demo: $1 needs a value" >&2; exit 2; }
    shift 2
done
mkdir -p "$build"
build=$(cd "$build" && pwd)
shots=${shots:-$build/demo-shots}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)

echo "== bootstrap and build into $build"
"$root/scripts/bootstrap.sh"
arch=$(tq_test_arch)
# As scripts/test.sh: where the i686 programs cannot run, that tree builds only what ships.
i686_tests=ON
[ "$arch" = win32 ] || i686_tests=OFF
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=$i686_tests >/dev/null
cmake --build "$build" -j2 >/dev/null
# The tree whose programs run under Wine: the i686 one, or its x86_64 twin.
run=$build
if [ "$arch" = win64 ]; then
    run=$build/x64
    echo "== x86_64 build of the programs run into $run"
    cmake -S "$root" -B "$run" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DTQ_DELIVERABLE_TREE="$build" >/dev/null
    cmake --build "$run" -j2 --target TqTouchCalib TqTouchSvc TqTouchInit tqtouch_sim tqtouchsim \
        calib_finger dblclk_probe TqTouchApplet TqTouchPackage applet_tour tablet_service >/dev/null
fi

harness=$run/demo-harness
trap '"$root/scripts/harness.sh" down "$harness" >/dev/null 2>&1 || true' EXIT
echo "== harness: private $arch prefix, Xvfb $size, simulated driver ($harness)"
"$root/scripts/harness.sh" up "$harness" "$size"

"$root/scripts/calib-registry.sh" "$harness"

echo "== calibration with a simulated finger"
rm -f "$shots"/*.bmp "$shots"/*.png
status=0
"$root/scripts/wine-run.sh" "$harness" "$run/tests/calib_finger.exe" \
    "Z:$run/calib/TqTouchCalib.exe" --device 0 --scale-x "$scale_x" --scale-y "$scale_y" \
    --offset-x "$offset_x" --offset-y "$offset_y" --rotate "$rotate" --noise "$noise" \
    --seed "$seed" --shots "Z:$shots" | tr -d '\r' || status=$?

for bmp in "$shots"/*.bmp; do
    [ -f "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "== screenshots in $shots:"
ls "$shots"

if [ $status -ne 0 ]; then
    echo "demo: the calibration did not complete" >&2
fi

"$root/scripts/demo-service.sh" "$harness" || {
    echo "demo: the service step failed" >&2
    status=1
}

"$root/scripts/demo-applet.sh" "$harness" "$shots" || {
    echo "demo: the Control Panel step failed" >&2
    status=1
}
echo "== screenshots of the Control Panel item in $shots/applet-{en,de}-{96,144}"
exit $status
