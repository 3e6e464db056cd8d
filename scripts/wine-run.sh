#!/bin/sh
# Runs a Windows program in a harness's private Wine prefix, on the harness's display.
# Usage: wine-run.sh HARNESS_DIR PROGRAM [ARGS...]
h=$1
shift
[ -f "$h/display" ] || { echo "wine-run: harness $h is not up" >&2; exit 97; }
export WINEPREFIX="$h/prefix" WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}"
export DISPLAY="${TQ_DISPLAY:-$(cat "$h/display")}"
exec wine "$@"
