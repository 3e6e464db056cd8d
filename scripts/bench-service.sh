#!/usr/bin/env bash
# Idle-cost benchmark of the touch service: TqTouchSvc.exe -debug runs for a fixed time with the
# default parameters (CycleTime 1000) beside an idle Win32 program under the same Wine, and each
# is measured from Linux: CPU seconds per hour of the program and of the prefix's wineserver, and
# private memory (sampled every second; peak, and first against last to show the passes do not
# grow it).
# Usage: bench-service.sh [BUILD_DIR] [SECONDS]   (default build/ and 300; the tree must be built;
# where 32-bit programs cannot run, its x86_64 twin BUILD_DIR/x64 is measured)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-${TQ_BUILD:-$root/build}}" && pwd)
. "$root/scripts/wine-env.sh"
build=$(tq_wine_tree "$build")
seconds=${2:-300}
harness=$build/bench-svc-harness
svc=$build/service/TqTouchSvc.exe
idle=$build/tests/idle_probe.exe

for f in "$svc" "$idle"; do
    [ -f "$f" ] || {
        echo "bench-service: $f is missing; build the tree first (scripts/test.sh)" >&2
        exit 1
    }
done
pid=""
stop_program() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    pid=""
}
trap 'stop_program; "$root/scripts/harness.sh" down "$harness" >/dev/null 2>&1 || true' EXIT
"$root/scripts/harness.sh" up "$harness"
export WINEPREFIX="$harness/prefix"
# Defaults: no parameters key.
"$root/scripts/wine-run.sh" "$harness" reg delete \
    'HKLM\SYSTEM\CurrentControlSet\Services\TqTouchSvc\Parameters' /f >/dev/null 2>&1 || true

hz=$(getconf CLK_TCK)
# The prefix's wineserver: its working directory is named after the prefix's device and inode.
server_dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
server_pid=""
for p in /proc/[0-9]*; do
    if grep -q "^wineserver" "$p/comm" 2>/dev/null &&
        [ "$(basename "$(readlink "$p/cwd" 2>/dev/null || true)")" = "$server_dir" ]; then
        server_pid=${p##*/}
    fi
done
[ -n "$server_pid" ] || { echo "bench-service: the harness's wineserver was not found" >&2; exit 1; }

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
private_kb() { awk '/^Private_(Clean|Dirty):/ { s += $2 } END { print s + 0 }' "/proc/$1/smaps_rollup"; }

# measure LABEL PROGRAM [ARGS...]: prints one line of figures.
measure() {
    local label=$1
    shift
    "$root/scripts/wine-run.sh" "$harness" "$@" >"$harness/bench-$label.log" 2>&1 &
    pid=$!
    sleep 5 # start-up is not part of the idle cost
    kill -0 "$pid" 2>/dev/null || { echo "bench-service: $label did not keep running" >&2; exit 1; }
    local cpu0 server0 first peak now
    cpu0=$(cpu_ticks "$pid")
    server0=$(cpu_ticks "$server_pid")
    first=$(private_kb "$pid")
    peak=$first
    now=$first
    for _ in $(seq "$seconds"); do
        sleep 1
        now=$(private_kb "$pid")
        [ "$now" -gt "$peak" ] && peak=$now
    done
    local cpu1 server1 hwm
    cpu1=$(cpu_ticks "$pid")
    server1=$(cpu_ticks "$server_pid")
    hwm=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
    stop_program
    awk -v l="$label" -v c=$((cpu1 - cpu0)) -v s=$((server1 - server0)) -v hz="$hz" \
        -v t="$seconds" -v f="$first" -v p="$peak" -v n="$now" -v h="$hwm" 'BEGIN {
        printf "%-12s %9.2f %11.2f %10.1f %10.1f %10.1f %10.1f\n", l,
            c / hz * 3600 / t, s / hz * 3600 / t, f / 1024, n / 1024, p / 1024, h / 1024 }'
}

echo "== $seconds s each after 5 s of start-up; CPU in seconds per hour, memory in MiB"
printf '%-12s %9s %11s %10s %10s %10s %10s\n' program cpu/h server/h private0 private1 \
    privatePk rssPeak
measure TqTouchSvc "$svc" -debug
grep -c . "$harness/bench-TqTouchSvc.log" | sed 's/^/   (service debug lines: /; s/$/)/'
measure idle "$idle"
