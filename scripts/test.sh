#!/usr/bin/env bash
# Installs what is missing, builds everything for Windows and runs every test under Wine.
# Pure units are also built natively with sanitizers. Build tree: $TQ_BUILD (default build/).
#
# Each package is tested where it can run: where 32-bit programs run (see wine-env.sh), the
# i686 tree in a win32 prefix and its x86_64 twin <build>/x64 in a win64 prefix, side by side;
# the x64 tree's package test then also installs the x86 package in its win64 prefix, where it
# runs under Wine's WoW64 as on 64-bit Windows. Where 32-bit programs cannot run, the x86_64
# tree alone; the i686 tree then builds only what ships, and its programs and package are
# checked as files (deliverable_images, package_tables). TQ_WINE_ARCH=win32 or win64 tests the
# one tree of that architecture.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TQ_BUILD:-$root/build}
. "$root/scripts/wine-env.sh"

"$root/scripts/bootstrap.sh"
arch=$(tq_test_arch)
both=OFF
[ -z "${TQ_WINE_ARCH:-}" ] && [ "$arch" = win32 ] && both=ON

i686_tests=ON
[ "$arch" = win32 ] || i686_tests=OFF
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=$i686_tests >/dev/null
cmake --build "$build" -j"$(nproc)"
build=$(cd "$build" && pwd)

trees=()
[ "$arch" = win32 ] && trees+=("$build")
if [ "$arch" = win64 ] || [ $both = ON ]; then
    trees+=("$build/x64")
    cmake -S "$root" -B "$build/x64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DTQ_DELIVERABLE_TREE="$build" -DTQ_WOW64_TESTS=$both >/dev/null
    cmake --build "$build/x64" -j"$(nproc)"
fi
[ "$arch" = win32 ] || echo "== the x86 programs and package are checked as files only"

status=0
if [ -f "$root/tests/host/CMakeLists.txt" ]; then
    cmake -S "$root/tests/host" -B "$build/host" -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$build/host" -j"$(nproc)"
    ctest --test-dir "$build/host" --output-on-failure || status=1
fi

# The harness fixtures take their prefixes and displays down themselves; this covers an
# interrupted run.
trap 'for t in "${trees[@]}"; do
          for h in "$t/harness" "$t/harness-1280" "$t/harness-package"; do
              "$root/scripts/harness.sh" down "$h" >/dev/null 2>&1 || true
          done
      done' EXIT
# The trees have prefixes, displays and wineservers of their own: they run side by side, each
# printed whole once done.
pids=()
for t in "${trees[@]}"; do
    ctest --test-dir "$t" --output-on-failure -j3 >"$t/wine-tests.log" 2>&1 &
    pids+=($!)
done
for i in "${!trees[@]}"; do
    wait "${pids[$i]}" || status=1
    t=${trees[$i]}
    prefix=win32
    [ "$t" = "$build" ] || prefix=win64
    echo "== Wine tests: $t ($prefix prefix)"
    cat "$t/wine-tests.log"
done
exit $status
