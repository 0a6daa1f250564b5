#!/usr/bin/env bash
# `cmake --install` of a build folder puts the program, its menu entry, its icons, its
# AppStream metadata, its manual page and its copyright file and changelog where desktops and
# distributions look for them, and the validators of each find nothing to say.
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
need groff groff-base
need man man-db

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

# The launcher's right-click actions run requests the program takes.
usage=$("$prefix/bin/yorumi-livedoor" --help)
actions=0
while read -r option; do
    grep -qF -- "  $option " <<<"$usage" || fail "a menu entry's action runs $option, which the usage does not list"
    actions=$((actions + 1))
done < <(sed -n 's/^Exec=yorumi-livedoor \(--[a-z-]*\)$/\1/p' "$desktop")
[ "$actions" -eq 3 ] || fail "the menu entry has $actions actions, not 設定画面 and the two every-account ones"

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

# The manual page, compressed, rendered with every warning on by groff and by man.
manpage="$prefix/share/man/man1/yorumi-livedoor.1.gz"
[ -f "$manpage" ] || fail "share/man/man1/yorumi-livedoor.1.gz missing"
said=$(zcat "$manpage" | LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z 2>&1) || fail "groff failed: $said"
[ -z "$said" ] || fail "groff warns about the manual page: $said"
said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$manpage" 2>&1 >/dev/null) || fail "man failed: $said"
[ -z "$said" ] || fail "man warns about the manual page: $said"
page=$(zcat "$manpage")
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES ENVIRONMENT 'EXIT STATUS'; do
    grep -qxF ".SH $section" <<<"$page" || fail "the manual page has no $section section"
done

# The licence goes with every copy.
docs="$prefix/share/doc/yorumi-livedoor"
grep -qxF 'License: MIT' "$docs/copyright" || fail "share/doc/yorumi-livedoor/copyright missing or not MIT"
newest=$(zcat "$docs/changelog.gz" | sed -n 1p) || fail "share/doc/yorumi-livedoor/changelog.gz missing"
[[ $newest == 'yorumi-livedoor ('* ]] || fail "changelog.gz does not start with an entry: $newest"

# Nothing else is installed.
unexpected=$(cd "$prefix" && find . -type f \
    ! -path ./bin/yorumi-livedoor \
    ! -path ./lib/yorumi-livedoor/yorumi-browser \
    ! -path ./share/applications/yorumi-livedoor.desktop \
    ! -path './share/icons/hicolor/*/apps/yorumi-livedoor.*' \
    ! -path ./share/metainfo/com.example.yorumi.livedoor.metainfo.xml \
    ! -path ./share/man/man1/yorumi-livedoor.1.gz \
    ! -path ./share/doc/yorumi-livedoor/copyright \
    ! -path ./share/doc/yorumi-livedoor/changelog.gz)
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"
echo "install_layout: ok"
