#!/usr/bin/env bash
# Installs what is missing, builds everything for Windows and runs every test under Wine.
# Pure units are also built natively with sanitizers. Build tree: $TQ_BUILD (default build/).
# Where 32-bit programs cannot run (see wine-env.sh), the Wine tests run on a second tree,
# <build>/x64, built for x86_64 and run in a win64 prefix; the i686 tree then builds only what
# ships, and its programs and package are still checked (deliverable_images, package_tables).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TQ_BUILD:-$root/build}
. "$root/scripts/wine-env.sh"

"$root/scripts/bootstrap.sh"
arch=$(tq_test_arch)

i686_tests=ON
[ "$arch" = win32 ] || i686_tests=OFF
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=$i686_tests >/dev/null
cmake --build "$build" -j"$(nproc)"
build=$(cd "$build" && pwd)

tests=$build
if [ "$arch" = win64 ]; then
    tests=$build/x64
    cmake -S "$root" -B "$tests" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DTQ_DELIVERABLE_TREE="$build" >/dev/null
    cmake --build "$tests" -j"$(nproc)"
fi

status=0
if [ -f "$root/tests/host/CMakeLists.txt" ]; then
    cmake -S "$root/tests/host" -B "$build/host" -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$build/host" -j"$(nproc)"
    ctest --test-dir "$build/host" --output-on-failure || status=1
fi

# The harness fixtures take their prefixes and displays down themselves; this covers an
# interrupted run.
trap 'for h in "$tests/harness" "$tests/harness-1280"; do
          "$root/scripts/harness.sh" down "$h" >/dev/null 2>&1 || true
      done' EXIT
echo "== Wine tests: $tests ($arch prefix)"
ctest --test-dir "$tests" --output-on-failure -j3 || status=1
exit $status
