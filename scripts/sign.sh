#!/usr/bin/env bash
# Signs each file in place with Authenticode (SHA-256) when a code-signing certificate is given:
# TQ_SIGN_PKCS12 the PKCS#12 file, TQ_SIGN_PASSWORD its password, TQ_SIGN_TIMESTAMP a timestamp
# server's address (optional). Without TQ_SIGN_PKCS12 the files stay as they are.
# Usage: sign.sh FILE...
set -euo pipefail
[ -n "${TQ_SIGN_PKCS12:-}" ] || exit 0
for f in "$@"; do
    args=(-pkcs12 "$TQ_SIGN_PKCS12" -h sha256 -n "TqTouch" -in "$f" -out "$f.signed")
    [ -z "${TQ_SIGN_TIMESTAMP:-}" ] || args+=(-ts "$TQ_SIGN_TIMESTAMP")
    rm -f "$f.signed"
    # The password goes through a pipe, not the command line.
    osslsigncode sign -readpass <(printf '%s' "${TQ_SIGN_PASSWORD:-}") "${args[@]}" >/dev/null
    mv "$f.signed" "$f"
done
