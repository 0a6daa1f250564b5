#!/usr/bin/env bash
# What the portal window costs: the time from choosing ライブドア > TOP in the tray menu to the
# page loaded in the window (its title set), with the engine helper not running, chosen at once
# or 0.5 s after the submenu opened (which starts the helper), and with it running; the memory
# of the program's process tree with the window open on one account's tab and on three
# accounts' tabs; the time from killing the helper to its tabs loaded again; and the memory 5 s
# after the window was closed and the helper ended for idleness. Release build, private Xvfb with
# trayer, local fake portal.
#
# Usage: bench/portal.sh [PATH-TO-yorumi-livedoor]
# Default: build/bench/src/yorumi-livedoor, built (with its engine helper) first. A program
# given is run as it is; its engine helper must be built beside it.
# YORUMI_BENCH_SHORT=1: one round of openings instead of three, without the wait for the
# helper's idle end (a minute) and what follows it (CTest runs it so on the debug build: it fails
# when a step does not happen or a figure cannot be read, never on a figure).
set -u
cd "$(dirname "$0")/.." || exit 1
# shellcheck source-path=SCRIPTDIR
source bench/program.sh
bench_program "$@" || exit 1
# shellcheck source-path=SCRIPTDIR
source tests/e2e/lib.sh
# shellcheck source-path=SCRIPTDIR
source tests/e2e/portal.sh
e2e_init

# Resident memory of the program's process tree; fails when the program's own cannot be read.
tree_kb() {
    local pid total=0 kb
    for pid in $(e2e_tree_pids "$APP_PID"); do
        kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
        [ -n "$kb" ] || [ "$pid" != "$APP_PID" ] || return 1
        total=$((total + ${kb:-0}))
    done
    echo "$total"
}
mb() { awk -v kb="$1" 'BEGIN { printf "%.1f MB", kb / 1024 }'; }
# The window showing the top page, titled with it and the tab's account (ゲスト, a1, a2...).
window_up() { xdotool search --onlyvisible --name "^livedoor - ${1:-ゲスト}\$" >/dev/null 2>&1; }
any_window() { xdotool search --onlyvisible --name '^livedoor - ' 2>/dev/null | head -n1; }
window_gone() { [ -z "$(any_window)" ]; }
helper_pid() { pgrep -P "$APP_PID" -x yorumi-browser; }
helper_gone() { [ -z "$(helper_pid)" ]; }
# Chooses ライブドア > TOP and prints the milliseconds from the choice to the page's title. With a
# head start (seconds), the submenu stays open that long before the choice, as a person reading
# it would keep it: opening it starts the engine helper.
time_top() {
    local t0 account=${1:-ゲスト} head_start=${2:-0}
    e2e_open_menu 3 && e2e_keys Up Up && e2e_open_submenu Right ||
        { echo "the menu ライブドア did not open" >&2; return 1; }
    sleep "$head_start"
    t0=$(e2e_now_ms)
    e2e_keys Return
    e2e_wait_for 60 window_up "$account" || { echo "TOP did not load as $account" >&2; return 1; }
    echo $(($(e2e_now_ms) - t0))
}
close_window() {
    local win
    while win=$(any_window) && [ -n "$win" ]; do
        xdotool windowfocus --sync "$win" 2>/dev/null
        e2e_keys ctrl+w
        sleep 0.3
    done
}
# Ends the helper in order (as its idle end does, without the minute's wait) and waits for it.
end_helper() {
    local pid
    pid=$(helper_pid) && [ -n "$pid" ] && kill -TERM "$pid"
    e2e_wait_for 20 helper_gone || { echo "the helper did not end" >&2; return 1; }
}
# ログイン > the account in the given place of the menu, and its answer from the portal.
log_in() {
    local place=$1 before
    before=$(portal_count post /login/)
    e2e_open_menu 3 && e2e_keys Down && e2e_open_submenu Right ||
        { echo "the menu ログイン did not open" >&2; return 1; }
    for _ in $(seq 2 "$place"); do e2e_keys Down; done
    e2e_keys Return
    e2e_wait_popups_closed
    e2e_wait_for 60 portal_posted_more "$before" || { echo "login $place was not sent" >&2; return 1; }
    # Its answer is in the profile's cookies once the run has ended.
    sleep 1
}
portal_posted_more() { [ "$(portal_count post /login/)" -gt "$1" ]; }
# The top pages the portal has served over HTTPS.
tops() { grep '"event": "get"' "$PORTAL_LOG" | grep -v '"scheme": "http"' | grep -c '"path": "/"'; }
tops_at_least() { [ "$(tops)" -ge "$1" ]; }
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
e2e_seed_store a1 'bench-pw-1' a2 'bench-pw-2' a3 'bench-pw-3'
portal_start || exit 1
E2E_APP_LOG="$E2E_TMP/app.log"
e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "the icon did not dock" >&2; give_up; }
sleep 1
memory "program idle in the tray" || give_up

rounds=3
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && rounds=1
cold="" early="" warm=""
for _ in $(seq "$rounds"); do
    # Cold, chosen at once: the helper starts with the choice.
    ms=$(time_top ゲスト 0) || give_up
    cold+="${cold:+, }$ms"
    close_window
    # Warm: the helper runs.
    ms=$(time_top ゲスト 0) || give_up
    warm+="${warm:+, }$ms"
    close_window
    end_helper || give_up
    # Cold, chosen 0.5 s after the submenu opened.
    ms=$(time_top ゲスト 0.5) || give_up
    early+="${early:+, }$ms"
    close_window
    end_helper || give_up
done
echo "ライブドア > TOP to the page loaded (ms): helper not running, chosen at once: $cold;" \
    "helper not running, chosen 0.5 s after the submenu opened: $early; helper running: $warm"

# One account with one tab, against three accounts with a tab each.
log_in 1 || give_up
time_top a1 >/dev/null || give_up
sleep 3
one=$(tree_kb) || give_up
one_pss=$(e2e_tree_pss_kb "$APP_PID")
log_in 2 || give_up
time_top a2 >/dev/null || give_up
log_in 3 || give_up
time_top a3 >/dev/null || give_up
sleep 3
three=$(tree_kb) || give_up
three_pss=$(e2e_tree_pss_kb "$APP_PID")
percent() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.0f %%", (b - a) * 100 / a }'; }
echo "window open, resident: one account with one tab $(mb "$one"); three accounts with a tab" \
    "each $(mb "$three") ($(percent "$one" "$three"))"
echo "window open, proportional: one account with one tab $(mb "$one_pss"); three accounts" \
    "with a tab each $(mb "$three_pss") ($(percent "$one_pss" "$three_pss"))"

# The helper killed: every tab loaded again.
before=$(tops)
t0=$(e2e_now_ms)
kill -KILL "$(helper_pid)"
e2e_wait_for 60 tops_at_least $((before + 3)) || { echo "the tabs did not come back" >&2; give_up; }
echo "from SIGKILL of the helper to its 3 tabs loaded again: $(($(e2e_now_ms) - t0)) ms"
# The tab in front, a3's, shows its title before the window is closed.
e2e_wait_for 20 window_up a3 || { echo "the window did not come back" >&2; give_up; }
close_window
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && exit 0
e2e_wait_for 90 helper_gone || { echo "the helper did not end" >&2; give_up; }
sleep 5
memory "5 s after the window closed and the helper's idle end" || give_up
