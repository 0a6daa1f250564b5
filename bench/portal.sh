#!/usr/bin/env bash
# What the portal window costs: the time from choosing ライブドア > TOP in the tray menu to the
# page loaded in the window (its title set), with the engine helper not yet started (cold) and
# running (warm); the memory of the program's process tree with the window open on one page,
# and 5 s after the window was closed and the helper ended for idleness. Release build, private
# Xvfb with trayer, local fake portal.
#
# Usage: bench/portal.sh
set -u
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DYORUMI_BENCH=ON >/dev/null &&
    cmake --build build/bench --target yorumi-livedoor yorumi-browser >/dev/null || exit 1
BIN=$(realpath build/bench/src/yorumi-livedoor)
# shellcheck source-path=SCRIPTDIR
source tests/e2e/lib.sh
# shellcheck source-path=SCRIPTDIR
source tests/e2e/portal.sh
e2e_init

tree_kb() {
    local pid total=0 kb
    for pid in $(tree_pids "$APP_PID"); do
        kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
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
    e2e_open_menu 3 && e2e_keys Down Down && e2e_open_submenu Right || return 1
    t0=$(e2e_now_ms)
    e2e_keys Return
    e2e_wait_for 60 window_up || return 1
    echo $(($(e2e_now_ms) - t0))
}
close_window() {
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^livedoor$' | head -n1)" 2>/dev/null
    e2e_keys ctrl+w
    e2e_wait_for 10 window_gone
}

e2e_start_x || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/user"
export XDG_DATA_HOME="$E2E_TMP/user/data"
portal_start || exit 1
E2E_APP_LOG="$E2E_TMP/app.log"
e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "the icon did not dock" >&2; exit 1; }
sleep 1
echo "program idle in the tray: $(mb "$(tree_kb)")"

cold1=$(time_top) || { echo "TOP did not load" >&2; exit 1; }
sleep 2
echo "window open on one page: $(mb "$(tree_kb)")"
close_window
warm1=$(time_top) && close_window
warm2=$(time_top) && close_window
warm3=$(time_top) && close_window
e2e_wait_for 90 helper_gone || { echo "the helper did not end" >&2; exit 1; }
sleep 5
echo "5 s after the window closed and the helper's idle end: $(mb "$(tree_kb)")"
cold2=$(time_top)
close_window
echo "ライブドア > TOP to the page loaded: cold (helper not started) ${cold1} ms, ${cold2} ms;" \
    "warm (helper running) ${warm1} ms, ${warm2} ms, ${warm3} ms"
