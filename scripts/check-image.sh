#!/usr/bin/env bash
# Checks that each shipped program is a PE image of its architecture and subsystem that imports
# system DLLs only and carries the hardening a binary review looks for: address-space
# randomisation with its relocations kept, data execution prevention, high-entropy addresses
# (x64), terminal-server awareness (.exe), no SEH handlers (x86: the flag, and no code that puts
# a handler frame on the chain at %fs:0), and stack cookies (libssp's __stack_chk_fail linked in,
# which only code built with -fstack-protector-strong calls). Its manifest names the image's own
# architecture (or "*") in its identity and dependencies; the .exe declare Windows 7, 8, 8.1 and
# 10/11; the calibration program is DPI aware: per monitor (version 2), else system aware.
# Usage: check-image.sh [x86|x64] IMAGE... ; a word x86 or x64 gives the architecture of the
# images after it (x86 until one is given).
set -euo pipefail
allowed='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|msvcrt|setupapi|winmm|version|ole32|shlwapi|wtsapi32)\.dll$'
status=0
arch=x86
windows_ids="35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38
1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"
scratch=$(mktemp)
trap 'rm -f "$scratch"' EXIT
# The image's manifest, one "name value" line per fact, read from its resource section, where
# it lies as plain XML.
read_manifest() {
    ${objdump%objdump}objcopy -O binary -j .rsrc "$1" "$scratch"
    python3 - "$scratch" <<'PY'
import re, sys, xml.etree.ElementTree as tree
data = open(sys.argv[1], "rb").read()
found = re.search(rb"<\?xml.*?</assembly>", data, re.S)
if not found:
    sys.exit(0)
root = tree.fromstring(found.group(0))
# Windows reads a setting only in its own namespace.
settings = {"{urn:schemas-microsoft-com:compatibility.v1}supportedOS": "os",
            "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware": "dpiAware",
            "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness": "dpiAwareness"}
for element in root.iter():
    name = settings.get(element.tag)
    if element.tag.endswith("}assemblyIdentity"):
        print("architecture", element.get("processorArchitecture"))
    elif name == "os":
        print("os", element.get("Id").strip("{}").lower())
    elif name:
        print(name, "".join(element.itertext()).strip())
PY
}
fail() {
    echo "$image: $*"
    status=1
}
for image in "$@"; do
    case $image in x86 | x64) arch=$image && continue ;; esac
    if [ $arch = x86 ]; then
        objdump=i686-w64-mingw32-objdump format=pei-i386 want_flags="NO_SEH"
    else
        objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 want_flags="HIGH_ENTROPY_VA"
    fi
    want_flags="DYNAMIC_BASE NX_COMPAT $want_flags"
    [[ $image == *.exe ]] && want_flags="$want_flags TERMINAL_SERVICE_AWARE"
    grep -q "file format $format\$" <<<"$($objdump -f "$image")" || fail "not a $format image"
    headers=$($objdump -p "$image")
    # The service is a console program; the others, the Control Panel item too, are GUI modules.
    want=2
    [ "$(basename "$image")" = TqTouchSvc.exe ] && want=3
    subsystem=$(sed -n 's/^Subsystem\s*0*\([0-9a-f]*\).*/\1/p' <<<"$headers")
    [ "$subsystem" = "$want" ] || fail "subsystem $subsystem, not $want"
    flags=$(sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/s/^\s\+//p' <<<"$headers")
    for flag in $want_flags; do
        grep -qx "$flag" <<<"$flags" || fail "no $flag"
    done
    grep -q '^Entry 5 [0-9a-f]* 0*[1-9a-f][0-9a-f]* Base Relocation' <<<"$headers" ||
        fail "no relocations"
    # grep reads to the end: a grep -q that stops early would fail the pipe (pipefail).
    $objdump -t "$image" | grep -E ' _?__stack_chk_fail$' >/dev/null || fail "no stack cookies"
    if [ $arch = x86 ] && $objdump -d "$image" | grep -E ',%fs:0x0$' >/dev/null; then
        fail "writes the SEH frame chain"
    fi
    manifest=$(read_manifest "$image")
    want_arch=x86
    [ $arch = x64 ] && want_arch=amd64
    [ -n "$manifest" ] || fail "no manifest"
    while read -r found; do
        [ "$found" = $want_arch ] || [ "$found" = "*" ] || fail "manifest names $found"
    done < <(sed -n 's/^architecture //p' <<<"$manifest")
    if [[ $image == *.exe ]]; then
        for id in $windows_ids; do
            grep -qx "os $id" <<<"$manifest" || fail "manifest lacks supportedOS $id"
        done
    fi
    if [ "$(basename "$image")" = TqTouchCalib.exe ]; then
        grep -qix 'dpiAware true' <<<"$manifest" || fail "not system DPI aware"
        grep -qix 'dpiAwareness PerMonitorV2, *System' <<<"$manifest" ||
            fail "not per-monitor (version 2) DPI aware"
    fi
    dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
    for dll in $dlls; do
        grep -qiE "$allowed" <<<"$dll" || fail "imports $dll"
    done
    echo "$image: $arch, $(echo $flags), imports $(echo $dlls), manifest: $(tr '\n' ' ' <<<"$manifest")"
done
exit $status
