#!/usr/bin/env bash
# The touch service and TqTouchInit in a harness prefix whose simulated driver is up: installs
# and starts TqTouchSvc, shows it running and the driver's click-code counters, raises a low
# double-click setting with TqTouchInit, then stops and removes the service (which sends the
# final enable).
# Usage: demo-service.sh HARNESS_DIR   (the harness of a built tree: <build>/harness)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
h=$(cd "${1:?usage: demo-service.sh HARNESS_DIR}" && pwd)
build=$(dirname "$h")
svc=$build/service/TqTouchSvc.exe
init=$build/init/TqTouchInit.exe
sim=$build/sim/tqtouchsim.exe
dblclk=$build/tests/dblclk_probe.exe
for f in "$svc" "$init" "$sim" "$dblclk"; do
    [ -f "$f" ] || { echo "demo-service: $f is missing; build the tree first" >&2; exit 1; }
done
run() { "$root/scripts/wine-run.sh" "$h" "$@" | tr -d '\r'; }
state() { run sc query TqTouchSvc | awk '/STATE/ { print "service state:", $4 }'; }
clicks() { run "$sim" state 0 | awk '/^requests/ { print "driver device 0:", $5, $6 }'; }

echo "== install and start TqTouchSvc"
# A service left over from an earlier run goes first, quietly.
if run sc query TqTouchSvc >/dev/null 2>&1; then
    run "$svc" -remove >/dev/null
fi
run "$sim" reset 0 >/dev/null
# Defaults: CycleTime 1000, monitor check on.
run reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\TqTouchSvc\Parameters' /f >/dev/null 2>&1 ||
    true
run "$svc" -install
run sc start TqTouchSvc >/dev/null
for _ in $(seq 50); do
    state | grep -q RUNNING && break
    sleep 0.2
done
sleep 3 # three passes of the watcher; Wine's lit monitor needs no click code
state
clicks

echo "== TqTouchInit raises the double-click settings to 500 ms and 40 x 40"
before=$(run "$dblclk")
run "$dblclk" set 300 4 4 >/dev/null
echo "double-click before: $(run "$dblclk" | awk '{ printf "%s ms, %s x %s", $1, $2, $3 }')"
run "$init"
echo "double-click after:  $(run "$dblclk" | awk '{ printf "%s ms, %s x %s", $1, $2, $3 }')"
# shellcheck disable=SC2086 # three numbers
run "$dblclk" set $before >/dev/null

echo "== stop and remove TqTouchSvc"
run "$svc" -remove
clicks
