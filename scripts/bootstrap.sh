#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Quick and quiet when all is there.
#
# A package index that fails to update (a registry caught mid-sync) is named once and the rest
# is installed from the indexes there are. The 32-bit Wine set comes last and only where the
# kernel runs 32-bit programs; where it cannot be installed the scripts use the 64-bit test mode
# (wine-env.sh), so only a missing package of the rest stops the bootstrap.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  mingw-w64-tools wine xvfb xauth x11-utils cmake make googletest libbenchmark-dev g++
  python3 imagemagick locales
  # The x86_64 compilers and wine64: the x64 package, and the Wine tests where 32-bit code
  # cannot run (scripts/wine-env.sh).
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
# Where the kernel runs 32-bit programs: the i686 tree's tests in a win32 prefix, and WoW64.
packages32=(wine32:i386)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# The German test runs Wine under LC_ALL=de_DE.UTF-8, which needs the locale on Linux.
ensure_german_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

# Asks the kernel itself: a minimal 32-bit x86 ELF program that only exits 0.
# TQ_KERNEL32=yes|no stands in for the answer.
kernel_runs_32bit() {
  case "${TQ_KERNEL32:-}" in yes) return 0 ;; no) return 1 ;; esac
  local probe rc=0
  probe=$(mktemp)
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0' >"$probe"
  printf '\0\0\0\0\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0' >>"$probe"
  printf '\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010\135\0\0\0\135\0\0\0\5\0\0\0\0\020\0\0' >>"$probe"
  printf '\270\1\0\0\0\061\333\315\200' >>"$probe" # mov eax,1; xor ebx,ebx; int 0x80
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  return $rc
}

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

# apt-get update that names each index it could not fetch, once, and goes on with the others.
update_indexes() {
  local out failed
  out=$($sudo apt-get update -q -o Acquire::Retries=3 2>&1) && return 0
  failed=$(printf '%s\n' "$out" | sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)$/\1 (\2)/p' | head -n 3)
  if [ -z "$failed" ]; then
    printf '%s\n' "$out" | grep '^E:' >&2 || printf '%s\n' "$out" >&2
    echo "bootstrap: apt-get update failed; installing from the package lists there are" >&2
    return 0
  fi
  printf '%s\n' "$failed" | while read -r line; do
    echo "bootstrap: package index not updated, installing from the others: $line" >&2
  done
  stale=$(printf '%s\n' "$failed" | cut -d' ' -f1 | paste -sd' ')
}
stale=""

runs32=no
kernel_runs_32bit && runs32=yes
want32=()
[ $runs32 = yes ] && mapfile -t want32 < <(missing_of "${packages32[@]}")
mapfile -t missing < <(missing_of "${packages[@]}")
if [ ${#missing[@]} -eq 0 ] && [ ${#want32[@]} -eq 0 ]; then
  ensure_german_locale
  exit 0
fi

updated=no
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  update_indexes
  updated=yes
  if ! $sudo apt-get install -y -q --no-install-recommends -o Acquire::Retries=3 "${missing[@]}" \
      >"$log" 2>&1; then
    grep '^E:' "$log" >&2 || tail -n 5 "$log" >&2
    mapfile -t missing < <(missing_of "${packages[@]}")
    echo "bootstrap: cannot install ${missing[*]}" >&2
    exit 1
  fi
fi
ensure_german_locale

if [ ${#want32[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    updated=no
  fi
  [ $updated = yes ] || update_indexes
  if ! $sudo apt-get install -y -q --no-install-recommends -o Acquire::Retries=3 "${want32[@]}" \
      >"$log" 2>&1; then
    cause=$(grep -m 1 '^E:' "$log" || tail -n 1 "$log")
    [ -z "$stale" ] || cause="its dependencies do not resolve without the package index $stale"
    echo "bootstrap: the 32-bit Wine set (${want32[*]}) cannot be installed, so the tests run in" \
      "the 64-bit test mode: ${cause#E: }" >&2
  fi
fi
exit 0
