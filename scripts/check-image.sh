#!/usr/bin/env bash
# Checks that each program is a PE32 i386 image of the right subsystem that imports system DLLs
# only.
set -euo pipefail
allowed='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|msvcrt|setupapi|winmm|version|ole32|shlwapi)\.dll$'
status=0
for image in "$@"; do
    header=$(i686-w64-mingw32-objdump -f "$image")
    if ! grep -q 'file format pei-i386' <<<"$header"; then
        echo "$image: not a PE32 i386 image"
        status=1
    fi
    # The service is a console program; the others, the Control Panel item too, are GUI modules.
    want=2
    [ "$(basename "$image")" = TqTouchSvc.exe ] && want=3
    subsystem=$(i686-w64-mingw32-objdump -p "$image" | sed -n 's/^Subsystem\s*0*\([0-9a-f]*\).*/\1/p')
    if [ "$subsystem" != "$want" ]; then
        echo "$image: subsystem $subsystem, not $want"
        status=1
    fi
    while read -r dll; do
        if ! grep -qiE "$allowed" <<<"$dll"; then
            echo "$image: imports $dll"
            status=1
        fi
    done < <(i686-w64-mingw32-objdump -p "$image" | sed -n 's/^\s*DLL Name: //p')
    echo "$image: $(i686-w64-mingw32-objdump -p "$image" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
done
exit $status
