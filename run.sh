#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts the program.
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); run it from a desktop session." >&2
    exit 1
fi

scripts/ensure-packages.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/src/yorumi-livedoor "$@"
