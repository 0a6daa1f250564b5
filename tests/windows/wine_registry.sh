#!/usr/bin/env bash
# Builds the registry store's test for Windows with MinGW-w64 and runs it under Wine, in a
# Wine prefix of its own: wine_registry.sh <source folder> <work folder>
# Exits 77 (skipped) when MinGW-w64 or Wine is not installed.
set -euo pipefail
source_dir=$1
work=$(realpath -m "$2")
compiler=x86_64-w64-mingw32-g++-posix
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

command -v "$compiler" >/dev/null || { echo "SKIPPED: $compiler is not installed (Debian package g++-mingw-w64-x86-64-posix)"; exit 77; }
[ -x "$wine" ] || { echo "SKIPPED: $wine is not installed (Debian package wine64)"; exit 77; }

mkdir -p "$work"
exe=$work/tst_winregistry.exe
sources=("$source_dir/tests/windows/tst_winregistry.cpp" "$source_dir/src/platform/winregistry_win.cpp")
inputs=("${sources[@]}" "$source_dir/src/platform/winregistry.h" "$0")
stale=false
for input in "${inputs[@]}"; do
    [ "$exe" -nt "$input" ] || stale=true
done
if $stale; then
    # A console program with no DLLs beside it: the C and C++ runtimes linked in.
    "$compiler" -std=c++20 -O1 -Wall -Wextra -Werror -static -I"$source_dir/src" "${sources[@]}" \
        -ladvapi32 -o "$exe.new"
    mv "$exe.new" "$exe"
fi

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
# The prefix's first start sets it up (a few seconds) and says so; only the test's own words
# are of interest.
if [ ! -d "$WINEPREFIX" ]; then
    "$wine" cmd.exe /c exit 0 >/dev/null 2>&1 || true
fi
status=0
"$wine" "$exe" || status=$?
# The prefix's server ends a moment after its last program: wait for it, so that nothing of
# this test outlives it.
"$wineserver" -w
exit "$status"
