#!/usr/bin/env bash
# Start-up benchmark: time from process start to the first painted calibration mark of
# TqTouchCalib.exe under Wine, beside a do-nothing Win32 program started the same way.
# Usage: bench-calib.sh [BUILD_DIR] [RUNS]   (default build/ and 9 runs; the tree must be built;
# where 32-bit programs cannot run, its x86_64 twin BUILD_DIR/x64 is measured)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-${TQ_BUILD:-$root/build}}" && pwd)
. "$root/scripts/wine-env.sh"
build=$(tq_wine_tree "$build")
runs=${2:-9}
harness=$build/bench-harness

for f in "$build/calib/TqTouchCalib.exe" "$build/tests/calib_bench.exe" "$build/tests/do_nothing.exe"; do
    [ -f "$f" ] || {
        echo "bench-calib: $f is missing; build the tree first (scripts/test.sh)" >&2
        exit 1
    }
done
trap '"$root/scripts/harness.sh" down "$harness" >/dev/null 2>&1 || true' EXIT
"$root/scripts/harness.sh" up "$harness"
"$root/scripts/calib-registry.sh" "$harness"
"$root/scripts/wine-run.sh" "$harness" "$build/tests/calib_bench.exe" \
    "Z:$build/calib/TqTouchCalib.exe" "Z:$build/tests/do_nothing.exe" "$runs" | tr -d '\r'
