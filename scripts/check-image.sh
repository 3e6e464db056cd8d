#!/usr/bin/env bash
# Checks that each shipped program is a PE image of its architecture and subsystem that imports
# system DLLs only and carries the hardening a binary review looks for: address-space
# randomisation with its relocations kept, data execution prevention, high-entropy addresses
# (x64), terminal-server awareness (.exe), no SEH handlers (x86: the flag, and no code that puts
# a handler frame on the chain at %fs:0), and stack cookies (libssp's __stack_chk_fail linked in,
# which only code built with -fstack-protector-strong calls).
# Usage: check-image.sh [x86|x64] IMAGE... ; a word x86 or x64 gives the architecture of the
# images after it (x86 until one is given).
set -euo pipefail
allowed='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|msvcrt|setupapi|winmm|version|ole32|shlwapi|wtsapi32)\.dll$'
status=0
arch=x86
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
    dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
    for dll in $dlls; do
        grep -qiE "$allowed" <<<"$dll" || fail "imports $dll"
    done
    echo "$image: $arch, $(echo $flags), imports $(echo $dlls)"
done
exit $status
