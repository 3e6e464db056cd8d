#!/usr/bin/env bash
# Loads the simulated touch driver into a harness's prefix as the kernel service TqTouch and
# checks that its devices open. Every run restarts the driver, so each test run starts from fresh
# devices: the devices of the bit mask TQ_SIM_DEVICES (default 1: \\.\TqTouch0 only).
# Usage: sim-up.sh HARNESS_DIR   (the harness dir is <build>/harness; the driver is in <build>/sim)
set -euo pipefail

h=$(cd "${1:?usage: sim-up.sh HARNESS_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
sim=$(dirname "$h")/sim
mask=${TQ_SIM_DEVICES:-1}

for f in "$sim/tqtouch_sim.sys" "$sim/tqtouchsim.exe"; do
    [ -f "$f" ] || { echo "sim-up: $f is missing; build the tree first" >&2; exit 1; }
done

drivers="$h/prefix/drive_c/windows/system32/drivers"
image='C:\windows\system32\drivers\tqtouch_sim.sys'
if ! cmp -s "$sim/tqtouch_sim.sys" "$drivers/tqtouch_sim.sys"; then
    # A new file rather than an overwrite: a running driver keeps its mapped image until the
    # restart below.
    cp "$sim/tqtouch_sim.sys" "$drivers/tqtouch_sim.sys.new"
    mv -f "$drivers/tqtouch_sim.sys.new" "$drivers/tqtouch_sim.sys"
fi

# Installs or updates the service, restarts the driver with the mask (retrying while the service
# manager settles after boot) and fails unless every device of the mask opens.
if ! "$here/wine-run.sh" "$h" "$sim/tqtouchsim.exe" setup "$mask" "$image"; then
    echo "sim-up: the simulated driver did not come up" >&2
    exit 1
fi
