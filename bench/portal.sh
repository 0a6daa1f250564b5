#!/usr/bin/env bash
# What the portal window costs: the time from choosing ライブドア > TOP in the tray menu to the
# page loaded in the window (its title set), with the engine helper not yet started (cold) and
# running (warm); the memory of the program's process tree with the window open on one page,
# and 5 s after the window was closed and the helper ended for idleness. Release build, private
# Xvfb with trayer, local fake portal.
#
# Usage: bench/portal.sh [PATH-TO-yorumi-livedoor]
# Default: build/bench/src/yorumi-livedoor, built (with its engine helper) first. A program
# given is run as it is; its engine helper must be built beside it.
# YORUMI_BENCH_SHORT=1: one cold and one warm opening, without the wait for the helper's idle
# end (a minute) and what follows it (CTest runs it so on the debug build: it fails when a step
# does not happen or a figure cannot be read, never on a figure).
set -u
cd "$(dirname "$0")/.." || exit 1
if [ $# -eq 0 ]; then
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null &&
        cmake --build build/bench --target yorumi-livedoor yorumi-browser >/dev/null || exit 1
fi
BIN=$(realpath "${1:-build/bench/src/yorumi-livedoor}")
# shellcheck source-path=SCRIPTDIR
source tests/e2e/lib.sh
# shellcheck source-path=SCRIPTDIR
source tests/e2e/portal.sh
e2e_init

# Resident memory of the program's process tree; fails when the program's own cannot be read.
tree_kb() {
    local pid total=0 kb
    for pid in $(tree_pids "$APP_PID"); do
        kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
        [ -n "$kb" ] || [ "$pid" != "$APP_PID" ] || return 1
        total=$((total + ${kb:-0}))
    done
    echo "$total"
}
tree_pids() { local child; echo "$1"; for child in $(pgrep -P "$1"); do tree_pids "$child"; done; }
mb() { awk -v kb="$1" 'BEGIN { printf "%.1f MB", kb / 1024 }'; }
window_up() { xdotool search --onlyvisible --name '^livedoor$' >/dev/null 2>&1; }
window_gone() { ! window_up; }
helper_gone() { ! pgrep -P "$APP_PID" -x yorumi-browser >/dev/null; }
# Chooses ライブドア > TOP and prints the milliseconds from the choice to the page's title.
time_top() {
    local t0
    e2e_open_menu 3 && e2e_keys Down Down && e2e_open_submenu Right ||
        { echo "the menu ライブドア did not open" >&2; return 1; }
    t0=$(e2e_now_ms)
    e2e_keys Return
    e2e_wait_for 60 window_up || { echo "TOP did not load" >&2; return 1; }
    echo $(($(e2e_now_ms) - t0))
}
close_window() {
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^livedoor$' | head -n1)" 2>/dev/null
    e2e_keys ctrl+w
    e2e_wait_for 10 window_gone || { echo "the window did not close" >&2; return 1; }
}
# Memory as a line "WHAT: N MB".
memory() {
    local kb
    kb=$(tree_kb) || { echo "the program's memory could not be read" >&2; return 1; }
    echo "$1: $(mb "$kb")"
}
# Ends the run after a step that failed, with the program's output.
give_up() {
    echo "the program's output:" >&2
    cat "$E2E_APP_LOG" >&2
    exit 1
}

e2e_start_x || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/user"
export XDG_DATA_HOME="$E2E_TMP/user/data"
portal_start || exit 1
E2E_APP_LOG="$E2E_TMP/app.log"
e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "the icon did not dock" >&2; give_up; }
sleep 1
memory "program idle in the tray" || give_up

cold1=$(time_top) || give_up
sleep 2
memory "window open on one page" || give_up
close_window || give_up
warm_runs=3
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && warm_runs=1
warm=""
for _ in $(seq "$warm_runs"); do
    ms=$(time_top) || give_up
    close_window || give_up
    warm+="${warm:+, }$ms ms"
done
if [ "${YORUMI_BENCH_SHORT:-}" = 1 ]; then
    echo "ライブドア > TOP to the page loaded: cold (helper not started) ${cold1} ms; warm (helper running) $warm"
    exit 0
fi
e2e_wait_for 90 helper_gone || { echo "the helper did not end" >&2; give_up; }
sleep 5
memory "5 s after the window closed and the helper's idle end" || give_up
cold2=$(time_top) || give_up
close_window || give_up
echo "ライブドア > TOP to the page loaded: cold (helper not started) ${cold1} ms, ${cold2} ms;" \
    "warm (helper running) $warm"
