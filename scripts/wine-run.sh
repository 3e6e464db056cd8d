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
# A program can start Wine's desktop process, which keeps the Unix output it was handed until the
# prefix goes down, so a reader of a pipe to its end (ctest) would wait for it: output into a pipe
# goes through a file, and the pipe ends with the program.
out="" err=""
[ -p /dev/stdout ] && { out=$(mktemp) || exit 98; }
[ -p /dev/stderr ] && { err=$(mktemp) || exit 98; }
[ -n "$out$err" ] || exec "$wine" "$@"
exec 3>&1 4>&2
[ -z "$out" ] || exec 3>"$out"
[ -z "$err" ] || exec 4>"$err"
"$wine" "$@" >&3 2>&4 3>&- 4>&-
rc=$?
exec 3>&- 4>&-
[ -z "$err" ] || { cat "$err" >&2; rm -f "$err"; }
[ -z "$out" ] || { cat "$out"; rm -f "$out"; }
exit $rc
