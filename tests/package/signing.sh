#!/usr/bin/env bash
# A throwaway certificate authority and code-signing certificate, and the check of signed files.
# Usage: signing.sh cert DIR       makes DIR/ca.pem and DIR/signer.p12 (password "test")
#        signing.sh check DIR MSI  every program in MSI and MSI itself verify against DIR/ca.pem;
#                                  a program with one byte changed does not
set -euo pipefail
dir=$2
if [ "$1" = cert ]; then
    mkdir -p "$dir" && cd "$dir"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 \
        -subj "/CN=TqTouch Test CA" -addext basicConstraints=critical,CA:TRUE \
        -addext keyUsage=critical,keyCertSign 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
        -subj "/CN=TQ Automation Test Signer" 2>/dev/null
    openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 \
        -out signer.pem -extfile <(printf '%s\n' basicConstraints=CA:FALSE \
            keyUsage=critical,digitalSignature extendedKeyUsage=codeSigning) 2>/dev/null
    openssl pkcs12 -export -in signer.pem -inkey signer.key -out signer.p12 -passout pass:test
    exit 0
fi
msi=$3
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
verify() { osslsigncode verify -CAfile "$dir/ca.pem" -in "$1" >"$files/log" 2>&1; }
status=0
msiextract -C "$files/x" "$msi" >/dev/null
for f in "$msi" $(find "$files/x" -iname '*.exe' -o -iname '*.cpl'); do
    verify "$f" || { echo "not signed by the test CA: $f"; cat "$files/log"; status=1; }
done
cpl=$(find "$files/x" -iname '*.cpl')
middle=$(($(stat -c %s "$cpl") / 2))
byte=$(od -An -tu1 -j $middle -N1 "$cpl")
printf "\\$(printf %03o $((255 - byte)))" | dd of="$cpl" bs=1 seek=$middle conv=notrunc status=none
! verify "$cpl" || { echo "verifies after a change: $cpl"; status=1; }
[ "$(find "$files/x" -iname '*.exe' -o -iname '*.cpl' | wc -l)" -eq 4 ] || status=1
exit $status
