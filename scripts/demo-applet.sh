#!/usr/bin/env bash
# The package as a person meets it, in a harness prefix whose simulated driver is up: installs
# the tree's installation package with msiexec, then walks the Control Panel item (applet_tour)
# in English and German at 96 and 144 dots per inch, saving a picture of each screen to
# SHOTS/applet-<language>-<dpi>, and removes the package again. Each walk ends with Cancel and
# the calibration record is put back after it, so every walk starts from the same settings.
# Usage: demo-applet.sh HARNESS_DIR SHOTS_DIR   (the harness of a built tree: <build>/harness)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
h=$(cd "${1:?usage: demo-applet.sh HARNESS_DIR SHOTS_DIR}" && pwd)
shots=$(cd "${2:?usage: demo-applet.sh HARNESS_DIR SHOTS_DIR}" && pwd)
build=$(dirname "$h")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
package_arch=x86
[ "$(cat "$build/wine-arch")" = win64 ] && package_arch=x64
msi=$build/package/TqTouch-$version-$package_arch.msi
tour=$build/tests/applet_tour.exe
tablet=$build/tests/applet/tablet_service.exe
for f in "$msi" "$tour" "$tablet"; do
    [ -f "$f" ] || { echo "demo-applet: $f is missing; build the tree first" >&2; exit 1; }
done
run() { "$root/scripts/wine-run.sh" "$h" "$@" </dev/null | tr -d '\r'; }
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
record='HKLM\SYSTEM\CurrentControlSet\Services\TqTouch\Parameters\Screen0'
saved='C:\windows\temp\tq-demo-screen0.reg'

echo "== install $(basename "$msi")"
start=$(date +%s%N)
run msiexec /i "Z:$msi" /qn || { echo "demo-applet: msiexec /i failed" >&2; exit 1; }
printf 'installed in %s ms; service: %s; Version: %s\n' "$(ms_since "$start")" \
    "$(run sc query TqTouchSvc | awk '/STATE/ { print $4 }')" \
    "$(run reg query 'HKLM\SOFTWARE\TQ_Automation\Touch' /v Version /reg:32 | awk '/Version/ { print $3 }')"

# A stand-in for the Tablet PC input service, so that the Mode page offers Windows touch. The
# walk starts it; it must be stopped before it can be deleted.
remove_tablet() {
    run sc stop TabletInputService >/dev/null 2>&1 || true
    run sc delete TabletInputService >/dev/null 2>&1 || true
}
remove_tablet
run sc create TabletInputService binpath= "Z:$tablet 0" type= own start= demand >/dev/null
# Without a calibration record (the calibration step failed) there is nothing to put back.
have_record=yes
run reg export "$record" "$saved" /y >/dev/null 2>&1 || have_record=

status=0
for language in en de; do
    case $language in
    en) locale=C.UTF-8 ;;
    de) locale=de_DE.UTF-8 ;;
    esac
    for dpi in 96 144; do
        folder=$shots/applet-$language-$dpi
        rm -rf "$folder"
        mkdir -p "$folder"
        echo "== the Control Panel item, $language, $dpi dpi"
        run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null
        # Without a sound card, ALSA complains on stderr when the glass breaks.
        LC_ALL=$locale run "$tour" 'C:\windows\system32\TqTouchApplet.cpl' "Z:$folder" 2>&1 |
            { grep -v '^ALSA' || true; } | sed 's/^/  /' || status=1
        [ -z "$have_record" ] || run reg import "$saved" >/dev/null
        for bmp in "$folder"/*.bmp; do
            [ -f "$bmp" ] || continue
            convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
        done
    done
done
run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
remove_tablet

echo "== remove the package"
start=$(date +%s%N)
run msiexec /x "Z:$msi" /qn || { echo "demo-applet: msiexec /x failed" >&2; status=1; }
printf 'removed in %s ms; service: %s\n' "$(ms_since "$start")" \
    "$(run sc query TqTouchSvc >/dev/null 2>&1 && echo still there || echo gone)"
exit $status
