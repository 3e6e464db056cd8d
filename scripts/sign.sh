#!/usr/bin/env bash
# Signs each file in place with Authenticode (SHA-256) when a code-signing certificate is given:
# TQ_SIGN_PKCS12 the PKCS#12 file, TQ_SIGN_PASSWORD its password, TQ_SIGN_TIMESTAMP the address of
# an RFC 3161 time-stamp server (optional). A file that cannot be signed, or not time-stamped when
# a server is given, stays as it was and the script fails: a signature without its time stamp
# turns invalid when the certificate expires. Without TQ_SIGN_PKCS12 the files stay as they are.
# Usage: sign.sh FILE...
set -euo pipefail
[ -n "${TQ_SIGN_PKCS12:-}" ] || exit 0
for f in "$@"; do
    args=(-pkcs12 "$TQ_SIGN_PKCS12" -h sha256 -n "TqTouch" -in "$f" -out "$f.signed")
    [ -z "${TQ_SIGN_TIMESTAMP:-}" ] || args+=(-ts "$TQ_SIGN_TIMESTAMP")
    rm -f "$f.signed"
    # The password goes through a pipe, not the command line.
    if ! osslsigncode sign -readpass <(printf '%s' "${TQ_SIGN_PASSWORD:-}") "${args[@]}" >/dev/null; then
        rm -f "$f.signed"
        echo "sign.sh: could not sign $f${TQ_SIGN_TIMESTAMP:+ (time stamps from $TQ_SIGN_TIMESTAMP)}" >&2
        exit 1
    fi
    mv "$f.signed" "$f"
done
