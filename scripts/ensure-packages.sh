#!/usr/bin/env bash
# Installs the Debian packages that building (and, with "test", testing) needs, when missing.
# Runs apt-get update once, and only when something has to be installed. On a system without
# dpkg and apt-get it installs nothing: it names what is needed and leaves that to the user.
set -euo pipefail

# Building and running: compiler and build tools, Qt 6 (widgets, WebEngine, its Wayland
# platform and Japanese translations), QtKeychain, the XCB headers and a Japanese font.
packages=(cmake ninja-build g++ qt6-base-dev qt6-webengine-dev libgl-dev libxcb1-dev qt6-wayland
          qt6-translations-l10n qtkeychain-qt6-dev fonts-ipafont-gothic)
needs="a C++20 compiler, CMake 3.25+, Ninja, Qt 6.4+ (Widgets, WebEngine, D-Bus, Wayland platform, Japanese translations), QtKeychain for Qt 6, the XCB headers, a Japanese font"
if [ "${1:-}" = test ]; then
    # Testing: the debug build's linker, a private X server with a window manager, a notification
    # area and the tools that drive it, a D-Bus session bus with a StatusNotifierItem host, a
    # Wayland compositor, GNU time for the start-up benchmark, a keyring (GNOME Keyring and
    # secret-tool to look into it), and what the fake portal, the packaging and Windows checks use.
    packages+=(lld xvfb openbox trayer xdotool xclip imagemagick x11-utils libnss3-tools python3 openssl iproute2
              desktop-file-utils dpkg-dev file lintian appstream man-db g++-mingw-w64-x86-64-posix wine64
              dbus python3-dbus python3-gi haskell-gtk-sni-tray-utils weston time gnome-keyring libsecret-tools)
    needs+="; for the tests: the LLVM linker (lld), Xvfb, openbox, trayer, xdotool, xclip, ImageMagick, xwininfo and xmessage, NSS tools, Python 3 with dbus and gi, OpenSSL, ss, dbus-daemon, gtk-sni-tray-standalone, Weston, GNU time (/usr/bin/time), gnome-keyring, secret-tool, desktop-file-validate, lintian, appstreamcli, man, MinGW-w64 (x86_64, POSIX threads), Wine"
fi

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
    echo "Not a Debian-like system: installing nothing. Needed: $needs."
    exit 0
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Installing ${missing[*]} needs root or sudo." >&2; exit 1; }
    sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
