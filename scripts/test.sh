#!/usr/bin/env bash
# Installs what is missing, builds everything for Windows and runs every test under Wine.
# Pure units are also built natively with sanitizers. Build tree: $TQ_BUILD (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TQ_BUILD:-$root/build}

"$root/scripts/bootstrap.sh"

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"

status=0
if [ -f "$root/tests/host/CMakeLists.txt" ]; then
    cmake -S "$root/tests/host" -B "$build/host" -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$build/host" -j"$(nproc)"
    ctest --test-dir "$build/host" --output-on-failure || status=1
fi

# The harness fixture takes its prefix and display down itself; this covers an interrupted run.
trap '"$root/scripts/harness.sh" down "$build/harness" >/dev/null 2>&1 || true' EXIT
ctest --test-dir "$build" --output-on-failure || status=1
exit $status
