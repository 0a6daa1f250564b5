#!/usr/bin/env bash
# Installs what is missing, builds the debug preset (AddressSanitizer and UBSan) and runs
# every test through CTest on a private Xvfb display and a private session bus, so that no test
# touches the desktop it is started from. YORUMI_TEST_ON_MY_DISPLAY=1 runs the display tests on
# $DISPLAY instead, to watch them.
#
# Usage: ./test.sh [--long] [CTest arguments...]
# CTest runs two tests per core side by side (most of them wait on programs and pages more than
# they compute); `-j N` among the arguments says otherwise. --long also runs the tests of the
# label long, the full counts of the kill trials, which are reported as skipped without it.
set -euo pipefail
cd "$(dirname "$0")"

if [ "${1:-}" = --long ]; then
    export YORUMI_TEST_LONG=1
    shift
fi

scripts/ensure-packages.sh test
cmake --preset debug >/dev/null
cmake --build --preset debug

started=()
cleanup() {
    for pid in "${started[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${started[@]}"; do
        for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
    done
    [ -n "${runtime_dir:-}" ] && rm -rf "$runtime_dir"
}
trap cleanup EXIT

runtime_dir=$(mktemp -d)
chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR="$runtime_dir"

# Nothing of the person's session: its compositor, bus and session type stay out of the tests.
unset WAYLAND_DISPLAY XDG_SESSION_TYPE DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER
if [ "${YORUMI_TEST_ON_MY_DISPLAY:-}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    display_file="$runtime_dir/display"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$display_file" 2>/dev/null &
    started+=($!)
    for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.05; done
    [ -s "$display_file" ] || { echo "test.sh: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(cat "$display_file")"
fi
bus_file="$runtime_dir/bus"
dbus-daemon --session --nofork --print-address=3 3>"$bus_file" 2>/dev/null &
started+=($!)
for _ in $(seq 100); do [ -s "$bus_file" ] && break; sleep 0.05; done
[ -s "$bus_file" ] || { echo "test.sh: dbus-daemon did not start" >&2; exit 1; }
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$bus_file")
export DBUS_SESSION_BUS_ADDRESS

# A password made up for this run, never printed: the tests that log in through the browser
# use it, and afterwards it must be in none of the files the run left behind (CTest's log of
# every test's output, the artefacts, the build tree).
YORUMI_TEST_CANARY="Cn$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')Ry"
export YORUMI_TEST_CANARY
status=0
# Three tests a core side by side: many of them wait most of the time (for a page's time-out, a
# clipboard's clearing, a program's end), and with two a core the processors stood half idle
# for a third of the run.
cores=$(nproc 2>/dev/null || echo 2)
ctest --preset debug --parallel $((3 * cores)) "$@" || status=$?
leaks=$(grep -rlaF -- "$YORUMI_TEST_CANARY" build/debug "$runtime_dir" 2>/dev/null || true)
if [ -n "$leaks" ]; then
    echo "test.sh: the canary password of this run was found in:" >&2
    echo "$leaks" >&2
    exit 1
fi
echo "test.sh: the canary password of this run is in no file the tests left behind"
exit "$status"
