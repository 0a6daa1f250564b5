#!/usr/bin/env bash
# `cpack -G DEB` of a build folder gives a package that lintian finds no error and no warning
# in, whose AppStream metadata and menu entry agree, and that depends on and recommends what
# the program needs at run time.
#
#   deb_package.sh <build folder>
#
# The package is built from the folder the tests run in, the debug preset's: its programs link
# the sanitizer runtimes (shlibdeps adds libasan8 and libubsan1) and are not optimised, but
# everything else in it (control fields, maintainer scripts, documents, metadata) is what a
# release build packages too. Info tags are shown, not failed; README's packaging notes say why
# the ones left are left.
set -euo pipefail

build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "deb_package: $*" >&2; exit 1; }
need() {
    command -v "$1" >/dev/null || fail "$1 is missing (Debian package $2; ./test.sh installs it)"
}
need cpack cmake
need dpkg-shlibdeps dpkg-dev
need lintian lintian
need appstreamcli appstream

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$work"/yorumi-livedoor_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no package"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
case "$(field Depends)" in qt6-qpa-plugins,*) ;; *) fail "Depends lacks qt6-qpa-plugins: $(field Depends)" ;; esac
# The keyring is reached through QtKeychain's library, which the package must bring.
case "$(field Depends)" in *libqt6keychain1*) ;; *) fail "Depends lacks libqt6keychain1: $(field Depends)" ;; esac
for package in qt6-wayland qt6-translations-l10n xdg-utils fonts-japanese-gothic; do
    case ", $(field Recommends)," in *", $package,"*) ;; *) fail "Recommends lacks $package" ;; esac
done
# Nothing here is a shared library in the linker's path: no maintainer script is needed.
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'postinst|postrm|preinst|prerm' || true)
[ -z "$scripts" ] || fail "the package has maintainer scripts: $scripts"

lintian --fail-on error,warning --display-info "$deb" || fail "lintian found errors or warnings"

# The metadata's launchable is a menu entry the package installs.
dpkg-deb -x "$deb" "$work/root"
appstreamcli validate-tree --no-net --explain "$work/root" || fail "appstreamcli refused the package's tree"
# The changelog and the metadata's releases name the version packaged.
version=$(field Version)
newest=$(zcat "$work/root/usr/share/doc/yorumi-livedoor/changelog.gz" | sed -n 1p)
[[ $newest == "yorumi-livedoor ($version) "* ]] || fail "the changelog's newest entry is not $version: $newest"
grep -qF "<release version=\"$version\"" "$work/root/usr/share/metainfo/com.example.yorumi.livedoor.metainfo.xml" \
    || fail "the metadata has no release $version"
echo "deb_package: ok"
