#!/usr/bin/env bash
# Installs the Debian packages that building (and, with "test", testing) needs, when missing.
# Runs apt-get update once, and only when something has to be installed.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev qt6-webengine-dev libgl-dev
          fonts-ipafont-gothic qt6-translations-l10n)
if [ "${1:-}" = test ]; then
    packages+=(xvfb trayer xdotool xclip imagemagick x11-utils libnss3-tools python3 openssl iproute2
              desktop-file-utils dpkg-dev file g++-mingw-w64-x86-64-posix wine64)
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
