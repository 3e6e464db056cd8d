#!/usr/bin/env bash
# Runs a Windows program in a new private prefix, with the display and simulated driver that
# harness.sh brings up, and takes it all down afterwards, whatever the result.
# Usage: fresh_prefix.sh HARNESS_DIR PROGRAM [ARGS...]
set -euo pipefail
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
h=$1
shift
"$scripts/harness.sh" down "$h"
rm -rf "$h/prefix"
trap '"$scripts/harness.sh" down "$h"' EXIT
"$scripts/harness.sh" up "$h"
"$scripts/wine-run.sh" "$h" "$@"
