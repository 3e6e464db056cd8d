#!/usr/bin/env bash
# Opening benchmark of the Control Panel item: time from CPL_DBLCLK to the painted Mode page of
# TqTouchApplet.cpl under Wine, beside a bare PropertySheetW with five empty pages under the same
# Wine. One opening per process, the two taken in turn.
# Usage: bench-applet.sh [BUILD_DIR] [RUNS]   (default build/ and 9 runs; the tree must be built;
# where 32-bit programs cannot run, its x86_64 twin BUILD_DIR/x64 is measured)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-${TQ_BUILD:-$root/build}}" && pwd)
. "$root/scripts/wine-env.sh"
build=$(tq_wine_tree "$build")
runs=${2:-9}
harness=$build/bench-applet-harness
cpl=$build/applet/TqTouchApplet.cpl
bench=$build/tests/applet/applet_bench.exe

for f in "$cpl" "$bench"; do
    [ -f "$f" ] || {
        echo "bench-applet: $f is missing; build the tree first (scripts/test.sh)" >&2
        exit 1
    }
done
trap '"$root/scripts/harness.sh" down "$harness" >/dev/null 2>&1 || true' EXIT
"$root/scripts/harness.sh" up "$harness"

# opening RUN MODE ARGS...: one opening in a process of its own; prints its milliseconds.
opening() {
    local run=$1 mode=$2 ms
    shift 2
    ms=$("$root/scripts/wine-run.sh" "$harness" "$bench" "$@" | tr -d '\r') || true
    [[ $ms =~ ^[0-9]+(\.[0-9]+)?$ ]] || {
        echo "bench-applet: run $run ($mode) gave no figure${ms:+: $ms}" >&2
        exit 1
    }
    echo "$ms"
}

figures=""
for ((run = 1; run <= runs; run++)); do
    bare=$(opening "$run" bare bare)
    applet=$(opening "$run" applet "Z:$cpl" applet)
    LC_ALL=C printf 'run %2d   bare sheet %8.1f ms   TqTouchApplet %8.1f ms\n' "$run" "$bare" "$applet"
    figures+="$bare $applet"$'\n'
done
printf '%s' "$figures" | LC_ALL=C awk '
    function median(v, n,   i, j, t) {
        for (i = 2; i <= n; i++)
            for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    { bare[NR] = $1; applet[NR] = $2 }
    END {
        b = median(bare, NR); a = median(applet, NR)
        printf "median   bare sheet %8.1f ms   TqTouchApplet %8.1f ms   (%d runs)\n", b, a, NR
        printf "difference of the medians: %.1f ms\n", a - b
    }'
