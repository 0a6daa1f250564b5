#!/usr/bin/env bash
# Runs a test program on a private Weston compositor (headless backend) through Qt's Wayland
# platform.
#
#   wayland.sh TEST-PROGRAM [ARGUMENTS...]
set -u
runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
weston --backend=headless-backend.so --socket=wayland-test --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston=$!
trap 'kill "$weston" 2>/dev/null; wait "$weston" 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 200); do [ -S "$runtime/wayland-test" ] && break; sleep 0.05; done
[ -S "$runtime/wayland-test" ] || { echo "wayland.sh: weston did not start" >&2; cat "$runtime/weston.log" >&2; exit 1; }
unset DISPLAY
export WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland
"$@"
