#!/bin/sh
# Runs a Windows program in a harness's private Wine prefix, on the harness's display, with the
# Wine of the prefix's architecture (see harness.sh).
# Usage: wine-run.sh HARNESS_DIR PROGRAM [ARGS...]
h=$1
shift
[ -f "$h/display" ] || { echo "wine-run: harness $h is not up" >&2; exit 97; }
. "$(dirname "$0")/wine-env.sh"
arch=win32
[ -f "$(dirname "$h")/wine-arch" ] && read -r arch <"$(dirname "$h")/wine-arch"
wine=$(tq_wine "$arch")
[ "$arch" = win32 ] || export WINELOADER="$wine"
export WINEPREFIX="$h/prefix" WINEARCH="$arch" WINEDEBUG="${WINEDEBUG:--all}"
export DISPLAY="${TQ_DISPLAY:-$(cat "$h/display")}"
exec "$wine" "$@"
