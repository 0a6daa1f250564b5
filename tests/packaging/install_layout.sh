#!/usr/bin/env bash
# `cmake --install` of a build folder puts the program, its menu entry, its icons and its
# AppStream metadata where desktops look for them, and the validators of each find nothing
# to say.
#
#   install_layout.sh <build folder>
set -euo pipefail

build=$(realpath "$1")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install_layout: $*" >&2; exit 1; }
need() {
    command -v "$1" >/dev/null || fail "$1 is missing (Debian package $2; ./test.sh installs it)"
}
need desktop-file-validate desktop-file-utils
need appstreamcli appstream

cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/yorumi-livedoor" ] || fail "bin/yorumi-livedoor missing"
# The browser engine helper, where the program looks for it from its own folder.
[ -x "$prefix/lib/yorumi-livedoor/yorumi-browser" ] || fail "lib/yorumi-livedoor/yorumi-browser missing"

desktop="$prefix/share/applications/yorumi-livedoor.desktop"
[ -f "$desktop" ] || fail "share/applications/yorumi-livedoor.desktop missing"
for line in 'Type=Application' 'Name=ヨルミ＠ライブドア' 'Exec=yorumi-livedoor' \
            'Icon=yorumi-livedoor' 'Categories=Network;WebBrowser;' 'Terminal=false'; do
    grep -qxF "$line" "$desktop" || fail "the menu entry lacks the line $line"
done
# Not even a hint: desktop-file-validate prints nothing for a clean entry.
said=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate refused the menu entry: $said"
[ -z "$said" ] || fail "desktop-file-validate: $said"

icons="$prefix/share/icons/hicolor"
grep -q '<svg ' "$icons/scalable/apps/yorumi-livedoor.svg" || fail "scalable icon missing"
for size in 16 22 24 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/yorumi-livedoor.png"
    [ -f "$png" ] || fail "icon ${size}x${size} missing"
    got=$(identify -format '%wx%h' "$png")
    [ "$got" = "${size}x${size}" ] || fail "icon ${size}x${size} is $got"
done

# The software centres' metadata: valid, and its launchable is the installed menu entry.
metainfo="$prefix/share/metainfo/com.example.yorumi.livedoor.metainfo.xml"
[ -f "$metainfo" ] || fail "share/metainfo/com.example.yorumi.livedoor.metainfo.xml missing"
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli refused the metadata"
grep -qF '<launchable type="desktop-id">yorumi-livedoor.desktop</launchable>' "$metainfo" \
    || fail "the metadata does not launch the installed menu entry"

# Nothing else is installed.
unexpected=$(cd "$prefix" && find . -type f \
    ! -path ./bin/yorumi-livedoor \
    ! -path ./lib/yorumi-livedoor/yorumi-browser \
    ! -path ./share/applications/yorumi-livedoor.desktop \
    ! -path './share/icons/hicolor/*/apps/yorumi-livedoor.*' \
    ! -path ./share/metainfo/com.example.yorumi.livedoor.metainfo.xml)
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"
echo "install_layout: ok"
