#!/usr/bin/env bash
# Brings up, or takes down, a private test environment: a Wine prefix, its persistent wineserver,
# an Xvfb display and the simulated touch driver. The prefix is win32 for an i686 build tree and
# win64 for an x86_64 one (the tree's wine-arch file, written by CMake; see wine-env.sh).
# Usage: harness.sh up HARNESS_DIR [WIDTHxHEIGHT]   |   harness.sh down HARNESS_DIR
# Only what this script started is stopped: the Xvfb by its pid, wine by this prefix's server.
set -euo pipefail

cmd=${1:?usage: harness.sh up|down HARNESS_DIR [WxH]}
h=$(mkdir -p "${2:?harness dir}" && cd "$2" && pwd)
size=${3:-1024x768}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

arch=win32
[ -f "$(dirname "$h")/wine-arch" ] && read -r arch <"$(dirname "$h")/wine-arch"
wine=$(tq_wine "$arch")
export WINEPREFIX="$h/prefix" WINEARCH=$arch WINEDEBUG=-all
[ "$arch" = win32 ] || export WINELOADER="$wine"
# Keep wineboot from offering to download Mono and Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="

start_display() {
    if [ -f "$h/xvfb.pid" ] && kill -0 "$(cat "$h/xvfb.pid")" 2>/dev/null; then
        return
    fi
    local fifo="$h/displayfd"
    rm -f "$fifo" "$h/display"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$fifo" </dev/null >"$h/xvfb.log" 2>&1 &
    echo $! >"$h/xvfb.pid"
    local n
    read -r -t 20 n <"$fifo" || { echo "harness: Xvfb did not start" >&2; exit 1; }
    rm -f "$fifo"
    echo ":$n" >"$h/display"
}

start_wine() {
    export DISPLAY
    DISPLAY=$(cat "$h/display")
    if [ -f "$WINEPREFIX/system.reg" ] && ! grep -q "^#arch=$arch\$" "$WINEPREFIX/system.reg"; then
        echo "harness: $WINEPREFIX is not a $arch prefix; making a new one" >&2
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$WINEPREFIX"
    # The server must outlive every client, or a loaded driver goes down with it.
    # Daemons must not hold the caller's output open, or ctest waits for them to exit.
    # It exits with 2 when this prefix's server is up already, as on a second "up".
    wineserver -p </dev/null >/dev/null 2>&1 || true
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        # Wine initialises a new prefix by itself before the first program runs; "wineboot -i"
        # on top would start a second services.exe, and the two answer service requests in
        # turn from different databases.
        "$wine" wineboot </dev/null >"$h/wineboot.log" 2>&1
    else
        "$wine" wineboot </dev/null >/dev/null 2>&1 || true
    fi
    unmanaged_windows
    wine_fonts
}

# Debian's 64-bit Wine does not load the fonts of fonts-wine from its data folder: dialogs then
# fall back to DejaVu Sans and caption buttons show letters. The prefix's Fonts folder is read.
wine_fonts() {
    local f
    for f in tahoma.ttf tahomabd.ttf marlett.ttf; do
        [ -f "/usr/share/wine/fonts/$f" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/$f" ] &&
            cp "/usr/share/wine/fonts/$f" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
    return 0
}

# Xvfb runs no window manager, and Wine would wait about 2 s for one on every hide or destroy of a
# top-level window. Set on new and existing prefixes; programs started afterwards read it.
unmanaged_windows() {
    awk '/^\[/ { section = index($0, "[Software\\\\Wine\\\\X11 Driver]") == 1 }
         section && $0 == "\"Managed\"=\"N\"" { found = 1 }
         END { exit !found }' "$WINEPREFIX/user.reg" 2>/dev/null && return
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null \
        >/dev/null 2>&1 || { echo "harness: cannot set Managed=N in $WINEPREFIX" >&2; exit 1; }
}

case "$cmd" in
up)
    start_display
    start_wine
    if [ -x "$here/sim-up.sh" ]; then
        "$here/sim-up.sh" "$h"
    fi
    ;;
down)
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    if [ -f "$h/xvfb.pid" ]; then
        kill "$(cat "$h/xvfb.pid")" 2>/dev/null || true
        rm -f "$h/xvfb.pid"
    fi
    rm -f "$h/display"
    ;;
*)
    echo "usage: harness.sh up|down HARNESS_DIR [WxH]" >&2
    exit 2
    ;;
esac
