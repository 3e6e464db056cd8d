#!/usr/bin/env bash
# A throwaway certificate authority and code-signing certificate, and the check of signed files.
# Usage: signing.sh cert DIR       makes DIR/ca.pem and DIR/signer.p12 (password "test")
#        signing.sh check DIR MSI  every program in MSI and MSI itself verify against DIR/ca.pem;
#                                  a program with one byte changed does not
#        signing.sh stamp DIR FILE a copy of FILE signed by scripts/sign.sh with a time stamp from an
#                                  authority on 127.0.0.1 verifies with it; once that has gone, fails
set -euo pipefail
dir=$2
if [ "$1" = stamp ]; then
    sign=$(cd "$(dirname "$0")/../../scripts" && pwd)/sign.sh
    cd "$(mktemp -d)" && trap 'rm -rf "$PWD"' EXIT && cp "$3" file
    openssl req -newkey rsa:2048 -nodes -keyout tsa.key -out tsa.csr -subj "/CN=Test TSA" 2>/dev/null
    openssl x509 -req -in tsa.csr -CA "$dir/ca.pem" -CAkey "$dir/ca.key" -CAcreateserial -out tsa.pem \
        -extfile <(echo extendedKeyUsage=critical,timeStamping) 2>/dev/null
    printf '%s\n' '[tsa]' default_tsa=a '[a]' serial=serial signer_cert=tsa.pem signer_key=tsa.key \
        signer_digest=sha256 default_policy=1.2.3.4 digests=sha256 ess_cert_id_alg=sha256 >tsa.cnf
    # The authority answers one request, or ends after a minute without one.
    exec 3< <(/usr/bin/python3 -c 'import http.server as h, subprocess as s
class A(h.BaseHTTPRequestHandler):
    def do_POST(self):
        q = self.rfile.read(int(self.headers["Content-Length"]))
        r = s.run("openssl ts -reply -config tsa.cnf -queryfile /dev/stdin".split(), input=q, stdout=s.PIPE).stdout
        self.send_response(200); self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(r))); self.end_headers(); self.wfile.write(r)
a = h.HTTPServer(("127.0.0.1", 0), A); a.timeout = 60; print(a.server_port, flush=True); a.handle_request()')
    read -r port <&3 && authority=$!
    export TQ_SIGN_PKCS12=$dir/signer.p12 TQ_SIGN_PASSWORD=test TQ_SIGN_TIMESTAMP=http://127.0.0.1:$port
    "$sign" file
    wait $authority
    out=$(osslsigncode verify -CAfile "$dir/ca.pem" -TSA-CAfile "$dir/ca.pem" -in file)
    grep 'Timestamp time: ' <<<"$out"
    grep 'Timestamp Server Signature verification: ok' <<<"$out"
    if "$sign" file; then echo "signed without the time stamp asked for"; exit 1; fi
    exit 0
fi
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
