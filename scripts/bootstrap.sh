#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Quick and quiet when all is there.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  mingw-w64-tools wine wine32:i386 xvfb xauth x11-utils cmake make googletest libbenchmark-dev g++
  python3 imagemagick locales
  # For machines that cannot run 32-bit code (scripts/wine-env.sh): x86_64 compilers and wine64.
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev wine64
  # Tahoma for dialogs and Marlett for caption glyphs under Wine.
  fonts-wine
  # The help compiler (cmake/help.cmake): Free Pascal, its chm units and sources, and patch.
  fp-compiler fp-units-fcl fp-units-misc fpc-source-3.2.2 patch
  # The installation package (wixl, msitools) and reading a help file back (python3-chm).
  wixl msitools python3-chm
  # Authenticode signing of the programs and packages (scripts/sign.sh), the tests' certificates.
  osslsigncode openssl
)

# The German test runs Wine under LC_ALL=de_DE.UTF-8, which needs the locale on Linux.
ensure_german_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  ensure_german_locale
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
ensure_german_locale
