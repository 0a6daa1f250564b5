#!/usr/bin/env bash
# `cmake --install` of a build folder puts the program, its menu entry and its icons where
# desktops look for them.
#
#   install_layout.sh <build folder>
set -euo pipefail

build=$(realpath "$1")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install_layout: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/yorumi-livedoor" ] || fail "bin/yorumi-livedoor missing"
# The browser engine helper, where the program looks for it from its own folder.
[ -x "$prefix/lib/yorumi-livedoor/yorumi-browser" ] || fail "lib/yorumi-livedoor/yorumi-browser missing"

desktop="$prefix/share/applications/yorumi-livedoor.desktop"
[ -f "$desktop" ] || fail "share/applications/yorumi-livedoor.desktop missing"
for line in 'Type=Application' 'Name=ヨルミ＠ライブドア' 'Exec=yorumi-livedoor' \
            'Icon=yorumi-livedoor' 'Categories=Network;Utility;' 'Terminal=false'; do
    grep -qxF "$line" "$desktop" || fail "the menu entry lacks the line $line"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate refused the menu entry"
fi

icons="$prefix/share/icons/hicolor"
grep -q '<svg ' "$icons/scalable/apps/yorumi-livedoor.svg" || fail "scalable icon missing"
for size in 16 22 24 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/yorumi-livedoor.png"
    [ -f "$png" ] || fail "icon ${size}x${size} missing"
    got=$(identify -format '%wx%h' "$png")
    [ "$got" = "${size}x${size}" ] || fail "icon ${size}x${size} is $got"
done

# Nothing else is installed.
unexpected=$(cd "$prefix" && find . -type f \
    ! -path ./bin/yorumi-livedoor \
    ! -path ./lib/yorumi-livedoor/yorumi-browser \
    ! -path ./share/applications/yorumi-livedoor.desktop \
    ! -path './share/icons/hicolor/*/apps/yorumi-livedoor.*')
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"
echo "install_layout: ok"
