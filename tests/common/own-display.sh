#!/usr/bin/env bash
# Runs a test on an X server of its own, a private Xvfb, so that tests run side by side never
# take each other's input focus or cover each other's windows. YORUMI_TEST_ON_MY_DISPLAY=1
# runs it on $DISPLAY instead, to watch it.
# Usage: own-display.sh PROGRAM [ARGUMENTS...]
set -u
if [ "${YORUMI_TEST_ON_MY_DISPLAY:-}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
dir=$(mktemp -d) || exit 1
xvfb=
stop() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$dir"
}
trap stop EXIT
trap 'exit 143' TERM INT
# The server writes its display number to the pipe once it takes connections.
mkfifo "$dir/display" || exit 1
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$dir/display" >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 number <"$dir/display"
if [ -z "${number:-}" ]; then
    echo "own-display.sh: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$number"
"$@"
