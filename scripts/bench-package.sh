#!/usr/bin/env bash
# Installation package benchmark: the build of the package (wixl) and of the help file (the
# TqTouchHelp target's tqchmc step) of a built tree, then install and removal of the package by
# Wine's msiexec in a new private prefix (service started and stopped included; the timer runs
# around the whole wine command). Medians of RUNS runs of each.
# Usage: bench-package.sh [BUILD_DIR] [RUNS]   (default build/ and 5 runs; the tree must be built;
# where 32-bit programs cannot run, install and removal use the x64 package of BUILD_DIR/x64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-${TQ_BUILD:-$root/build}}" && pwd)
runs=${2:-5}
. "$root/scripts/wine-env.sh"
wine_tree=$(tq_wine_tree "$build")
harness=$wine_tree/bench-package-harness
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=x86
[ "$(cat "$build/wine-arch")" = win64 ] && arch=x64
wine_arch=x86
[ "$(cat "$wine_tree/wine-arch")" = win64 ] && wine_arch=x64
package=$wine_tree/package/TqTouch-$version-$wine_arch.msi
for f in "$package" "$build/package/TqTouch-$version-$arch.msi" "$build/tqchmc/tqchmc"; do
    [ -f "$f" ] || { echo "bench-package: $f is missing; build the tree first" >&2; exit 1; }
done
scratch=$(mktemp -d)
trap '"$root/scripts/harness.sh" down "$harness" >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT

# ms COMMAND...: runs it quietly and prints its wall-clock milliseconds; fails with it.
ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "bench-package: $* failed" >&2; return 1; }
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}
median() {
    sort -n |
        awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2 }'
}
# The same commands as package/package.cmake and cmake/help.cmake run.
wixl_step() {
    (cd "$build" && wixl -a $arch -D Arch=$arch -D Version="$version" \
        -D TqTouchCalib=calib/TqTouchCalib.exe -D TqTouchApplet=applet/TqTouchApplet.cpl \
        -D TqTouchSvc=service/TqTouchSvc.exe -D TqTouchInit=init/TqTouchInit.exe \
        -D TqTouchHelp=help/TqTouch.chm -o "$scratch/package.msi" "$root/package/TqTouch.wxs")
}
help_step() {
    (cd "$root/res/applet/help" && "$build/tqchmc/tqchmc" TqTouch.hhp "$scratch/TqTouch.chm")
}
wine_msiexec() { "$root/scripts/wine-run.sh" "$harness" msiexec "$@" /qn; }

"$root/scripts/harness.sh" down "$harness" >/dev/null 2>&1
rm -rf "$harness/prefix"
"$root/scripts/harness.sh" up "$harness"
windows_package=Z:${package//\//\\}
: >"$scratch/figures"
for ((run = 1; run <= runs; run++)); do
    wixl_ms=$(ms wixl_step)
    help_ms=$(ms help_step)
    install_ms=$(ms wine_msiexec /i "$windows_package")
    remove_ms=$(ms wine_msiexec /x "$windows_package")
    printf 'run %2d   wixl %5d ms   tqchmc %5d ms   install %5d ms   removal %5d ms\n' \
        "$run" "$wixl_ms" "$help_ms" "$install_ms" "$remove_ms"
    echo "$wixl_ms $help_ms $install_ms $remove_ms" >>"$scratch/figures"
done
echo "medians of $runs runs (package build: $build; install and removal: $package):"
for column in 1:"wixl (package build)" 2:"tqchmc (help build)" 3:"msiexec /i" 4:"msiexec /x"; do
    printf '  %-22s %s ms\n' "${column#*:}" \
        "$(cut -d' ' -f"${column%%:*}" "$scratch/figures" | median)"
done
