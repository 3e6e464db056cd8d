#!/usr/bin/env bash
# The release: builds the i686 and x86_64 trees (only what ships) into <build>/release-x86 and
# <build>/release-x64, with both installation packages, signed when a certificate is given, and
# writes TqTouch-<version>-x86.msi, TqTouch-<version>-x64.msi and SHA256SUMS into one folder,
# whose path it prints last. Build tree: $TQ_BUILD (default build/).
# Certificate (README): TQ_SIGN_PKCS12, TQ_SIGN_PASSWORD, TQ_SIGN_TIMESTAMP (optional: an RFC 3161
# time-stamp server; every signature then carries its time stamp, or the release fails).
# Usage: release.sh [OUT_DIR]   (default <build>/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TQ_BUILD:-$root/build}

"$root/scripts/bootstrap.sh"
mkdir -p "$build"
build=$(cd "$build" && pwd)
out=${1:-$build/release}

if [ -n "${TQ_SIGN_PKCS12:-}" ]; then
    [ -f "$TQ_SIGN_PKCS12" ] || { echo "release: no file $TQ_SIGN_PKCS12 (TQ_SIGN_PKCS12)" >&2; exit 1; }
    TQ_SIGN_PKCS12=$(realpath "$TQ_SIGN_PKCS12")
    export TQ_SIGN_PKCS12
    echo "== signing with $TQ_SIGN_PKCS12${TQ_SIGN_TIMESTAMP:+, time stamps from $TQ_SIGN_TIMESTAMP}"
elif [ -n "${TQ_SIGN_TIMESTAMP:-}" ]; then
    echo "release: time stamps (TQ_SIGN_TIMESTAMP) need a certificate to sign with (TQ_SIGN_PKCS12)" >&2
    exit 1
else
    echo "== no code-signing certificate (TQ_SIGN_PKCS12): programs and packages stay unsigned"
fi

for arch in x86 x64; do
    toolchain=i686
    [ $arch = x86 ] || toolchain=x86_64
    tree=$build/release-$arch
    echo "== $arch: $tree"
    cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$toolchain-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    # The package and its signed copies are made anew: the certificate may have changed.
    rm -rf "$tree/package"
    cmake --build "$tree" -j"$(nproc)" >"$tree/build.log" 2>&1 ||
        { tail -n 40 "$tree/build.log" >&2; echo "release: the $arch build failed" >&2; exit 1; }
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/release-x86/CMakeCache.txt")
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/TqTouch-*.msi "$out/SHA256SUMS"
for arch in x86 x64; do
    cp "$build/release-$arch/package/TqTouch-$version-$arch.msi" "$out/"
done
(cd "$out" && sha256sum TqTouch-*.msi >SHA256SUMS)
echo "== release $version:"
echo "$out"
