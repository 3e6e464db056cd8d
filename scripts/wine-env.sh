# Sourced by the scripts (POSIX sh): which Wine runs a prefix, and whether this machine runs
# 32-bit code at all.
#
# Some kernels refuse 32-bit Linux executables (no IA-32 emulation); Debian's 32-bit Wine then
# fails with "Exec format error" while its 64-bit Wine works. The Wine tests and the demo then
# run an x86_64 build of the programs, tests and simulated driver in a win64 prefix.

TQ_WINE32_LOADER=/usr/lib/wine/wine

# tq_wine ARCH: the loader for a prefix of ARCH (win32 or win64).
tq_wine() {
    if [ "$1" = win64 ]; then
        command -v wine64 2>/dev/null || echo /usr/lib/wine/wine64
    else
        echo wine
    fi
}

# tq_test_arch: prints the prefix architecture the tests use here: win32 when the 32-bit Wine
# loader runs, win64 otherwise (with the reason on stderr). TQ_WINE_ARCH=win32|win64 forces it.
tq_test_arch() {
    case "${TQ_WINE_ARCH:-}" in
    win32 | win64)
        echo "$TQ_WINE_ARCH"
        return
        ;;
    "") ;;
    *)
        echo "TQ_WINE_ARCH must be win32 or win64, not $TQ_WINE_ARCH" >&2
        return 2
        ;;
    esac
    # Running the loader itself is the question asked: it fails when the kernel refuses ELF32
    # ("Exec format error") and when wine32 or its i386 libraries are missing.
    if tq_why=$("$TQ_WINE32_LOADER" --version 2>&1) && [ "${tq_why#wine-}" != "$tq_why" ]; then
        echo win32
        return
    fi
    # The shell's own prefix ("script: line N:") says nothing here.
    tq_why=$(printf '%s' "${tq_why:-no output}" | head -n 1)
    case "$tq_why" in
    *"$TQ_WINE32_LOADER"*) tq_why=$TQ_WINE32_LOADER${tq_why##*"$TQ_WINE32_LOADER"} ;;
    esac
    echo "32-bit programs cannot run on this machine ($tq_why); the programs under Wine are" \
        "an x86_64 build in a win64 prefix." >&2
    echo win64
}

# tq_wine_tree BUILD: the tree whose programs run under Wine here: BUILD itself, or, for an i686
# tree where 32-bit programs cannot run, its x86_64 twin BUILD/x64 (built by scripts/test.sh).
tq_wine_tree() {
    tq_arch=win32
    [ -f "$1/wine-arch" ] && read -r tq_arch <"$1/wine-arch"
    if [ "$tq_arch" = win32 ] && [ "$(tq_test_arch)" = win64 ]; then
        echo "$1/x64"
    else
        echo "$1"
    fi
}
