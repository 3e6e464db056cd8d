#!/usr/bin/env bash
# The bootstrap's decisions against stand-ins for the package tools, first on PATH.
set -u
boot=$(cd "$(dirname "$0")/../.." && pwd)/scripts/bootstrap.sh
S=$(mktemp -d) && export S && trap 'rm -rf "$S"' EXIT
mkdir "$S/bin"
stub() { printf '#!/bin/sh\n%s\n' "$2" >"$S/bin/$1" && chmod +x "$S/bin/$1"; }
stub id 'echo 0'
stub locale 'echo de_DE.utf8'
stub dpkg 'echo "dpkg $*" >>"$S/calls"'
stub dpkg-query 'grep -qxF "$3" "$S/installed" && echo "install ok installed"'
stub apt-get 'echo "apt-get $*" >>"$S/calls"
[ "$1" = update ] && [ -f "$S/badindex" ] && echo "E: Failed to fetch http://r/i386/Packages.xz  File has unexpected size (1 != 2)" && exit 100
for p; do grep -qxF -- "$p" "$S/broken" && echo "E: Unable to locate package $p" && exit 100; done
printf "%s\n" "$@" >>"$S/installed"'
fails=0
# kernel32 | index fails | broken package | exit | the one line | calls have | calls lack
while IFS='|' read -r k32 bad broken code line has lacks; do
    : >"$S/installed" && : >"$S/calls" && echo "$broken" >"$S/broken" && rm -f "$S/badindex"
    [ "$bad" = yes ] && touch "$S/badindex"
    out=$(PATH="$S/bin:$PATH" TQ_KERNEL32=$k32 "$boot" 2>&1)
    rc=$?
    if [ $rc != "$code" ] || [ "$(grep -cF "bootstrap: $line" <<<"$out")" != 1 ] ||
        ! grep -qF -- "$has" "$S/calls" || grep -qF -- "$lacks" "$S/calls"; then
        printf 'FAILED: %s (exit %s)\n%s\ncalls:\n%s\n' "$line" $rc "$out" "$(cat "$S/calls")"
        fails=$((fails + 1))
    fi
done <<'CASES'
no|yes||0|package index not updated, installing from the others: http://r/i386/Packages.xz (File has unexpected size (1 != 2))|install -y|i386
yes|no|wine32:i386|0|the 32-bit Wine set (wine32:i386) cannot be installed, so the tests run in the 64-bit test mode: Unable to locate package wine32:i386|--add-architecture i386|no such call
yes|no||0|installing g++-mingw-w64-i686-posix|wine32:i386|no such call
no|no|wixl|1|cannot install g++-mingw-w64-i686-posix|wixl|wine32
CASES
echo "$((4 - fails)) passed, $fails failed"
[ $fails = 0 ]
