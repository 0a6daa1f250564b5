#!/usr/bin/env bash
# What すべてのアカウントでログイン costs with 30 accounts: the time from choosing it in the tray's
# ログイン submenu to the last account logged in, whether every login succeeded, the engine
# helper's peak memory (its process tree's proportional share, each shared page counted once,
# and what none of it shares with another process) and open files over those logins against the
# same over the login of one account; then what an expired login
# costs, renewed without asking: the time from a tab of the portal window loaded again after the
# portal forgot its account's session (which sends it to the login form) to its page shown again
# as the account; and the program's memory 5 s after the helper's idle end. Release build,
# private Xvfb with trayer, local fake portal.
#
# Usage: bench/sessions.sh [PATH-TO-yorumi-livedoor]
# Default: build/bench/src/yorumi-livedoor, built (with its engine helper) first. A program
# given is run as it is; its engine helper must be built beside it.
# YORUMI_BENCH_SHORT=1: 3 accounts instead of 30, without the wait for the helper's idle end (a
# minute) and what follows it (CTest runs it so on the debug build: it fails when a step does not
# happen or a figure cannot be read, never on a figure).
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

accounts=30
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && accounts=3

helper_pid() { pgrep -P "$APP_PID" -x yorumi-browser; }
helper_gone() { [ -z "$(helper_pid)" ]; }
# The helper's figures, "PSS-KB PRIVATE-KB FILES": its process tree's proportional memory, the
# memory none of it shares with another process (which, unlike the proportional share, does not
# fall when other programs map the same libraries), and its open files.
helper_figures() {
    local pid files=() open fds=0
    for pid in $(e2e_tree_pids "$1"); do
        files+=("/proc/$pid/smaps_rollup")
        open=(/proc/"$pid"/fd/*)
        [ -L "${open[0]}" ] && fds=$((fds + ${#open[@]}))
    done
    cat "${files[@]}" 2>/dev/null | awk -v fds="$fds" '
        /^Pss:/ { pss += $2 }
        /^Private_(Clean|Dirty):/ { own += $2 }
        END { print pss + 0, own + 0, fds }'
}
mb() { awk -v kb="$1" 'BEGIN { printf "%.1f MB", kb / 1024 }'; }
# How many accounts the program's settings hold as logged in.
logged_in() {
    python3 - "$XDG_CONFIG_HOME/yorumi-livedoor.conf" <<'PY'
import json, re, sys
try:
    text = open(sys.argv[1], encoding="utf-8").read()
except OSError:
    print(0)
    sys.exit()
match = re.search(r'^Sessions="?(.*?)"?$', text, re.M)
print(len(json.loads(match.group(1).replace('\\"', '"'))) if match else 0)
PY
}
logged_in_at_least() { [ "$(logged_in)" -ge "$1" ]; }
# Waits at most SECONDS until N accounts are logged in (each look starts Python: not too often).
wait_logged_in() { E2E_POLL=0.2 e2e_wait_for "$2" logged_in_at_least "$1"; }
# Notes the helper's peak memory and open files in FILE ("PSS-KB PRIVATE-KB FILES"), sampling
# them in the background every 50 ms until stop_sampling: a login takes a few hundred
# milliseconds, and the logins of one account and of all of them are watched alike.
start_sampling() {
    (
        peak_kb=0 peak_private_kb=0 peak_fds=0
        while :; do
            if pid=$(helper_pid) && [ -n "$pid" ] && read -r kb private fds < <(helper_figures "$pid"); then
                [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb
                [ "$private" -gt "$peak_private_kb" ] && peak_private_kb=$private
                [ "$fds" -gt "$peak_fds" ] && peak_fds=$fds
                echo "$peak_kb $peak_private_kb $peak_fds" >"$1.new" && mv "$1.new" "$1"
            fi
            sleep 0.05
        done
    ) &
    SAMPLER_PID=$!
    E2E_PIDS+=("$SAMPLER_PID")
}
# Stops the sampling and sets PEAK_KB, PEAK_PRIVATE_KB and PEAK_FDS from FILE.
stop_sampling() {
    e2e_stop "$SAMPLER_PID"
    read -r PEAK_KB PEAK_PRIVATE_KB PEAK_FDS <"$1" 2>/dev/null || return 1
}
# The portal window showing a page titled TITLE as ACCOUNT, and not.
window_shows() { xdotool search --onlyvisible --name "^$1 - $2\$" >/dev/null 2>&1; }
window_leaves() { ! window_shows "$@"; }
portal_window() { xdotool search --onlyvisible --name '^.* - a1$' 2>/dev/null | head -n1; }
# How far below the top of the portal window WIN its address bar is: the first white stretch
# down the middle of the window (the tab bar and the toolbar around it are not white).
address_bar_y() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root -crop "1x${HEIGHT}+$((X + WIDTH / 2))+${Y}" txt:- 2>/dev/null |
        awk -F'[,:]' '/#FFFFFF/ { if (++white == 8) { print $2 - 3; exit } next } { white = 0 }'
}
# Opens the tray's ログイン submenu (the menu's last entry).
open_login_menu() {
    e2e_open_menu 3 && e2e_keys Down && e2e_open_submenu Right ||
        { echo "the menu ログイン did not open" >&2; return 1; }
}
give_up() {
    echo "the program's output:" >&2
    cat "$E2E_APP_LOG" >&2
    exit 1
}

e2e_start_x || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/user"
export XDG_DATA_HOME="$E2E_TMP/user/data"
# An expired login is renewed without asking.
printf '[Login]\nRenewExpired=true\n' >"$XDG_CONFIG_HOME/yorumi-livedoor.conf"
store=()
for n in $(seq "$accounts"); do store+=("a$n" "bench-pw-$n"); done
e2e_seed_store "${store[@]}"
portal_start || exit 1
E2E_APP_LOG="$E2E_TMP/app.log"
e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "the icon did not dock" >&2; give_up; }
sleep 1

# One account: ログイン > a1, and the helper 2 s after.
start_sampling "$E2E_TMP/one"
open_login_menu || give_up
e2e_keys Return
e2e_wait_popups_closed
wait_logged_in 1 60 || { echo "a1 was not logged in" >&2; give_up; }
sleep 2
stop_sampling "$E2E_TMP/one" || { echo "the helper's figures could not be read" >&2; give_up; }
one_kb=$PEAK_KB one_private_kb=$PEAK_PRIVATE_KB one_peak_fds=$PEAK_FDS
read -r _ _ one_fds < <(helper_figures "$(helper_pid)")

# Every account: the submenu's first entry from the bottom that can be chosen (すべてのアカウントから
# ログアウト, below it, can be too now that a1 is logged in).
start_sampling "$E2E_TMP/all"
open_login_menu || give_up
e2e_keys Up Up Return
e2e_wait_popups_closed
t0=$(e2e_now_ms)
wait_logged_in "$accounts" $((accounts * 30)) ||
    { echo "only $(logged_in) of $accounts accounts were logged in" >&2; give_up; }
total=$(($(e2e_now_ms) - t0))
stop_sampling "$E2E_TMP/all" || { echo "the helper's figures could not be read" >&2; give_up; }
posts=$(portal_count post /login/)
echo "すべてのアカウントでログイン, $accounts accounts: $total ms; $(logged_in) of $accounts logged in" \
    "($posts forms sent with a1's)"
echo "the helper's peak proportional memory: $(mb "$one_kb") over the login of one account," \
    "$(mb "$PEAK_KB") over the logins of $accounts (its own, shared with no other process:" \
    "$(mb "$one_private_kb") and $(mb "$PEAK_PRIVATE_KB")); open files: at most $one_peak_fds over" \
    "the login of one account and $one_fds 2 s after it, at most $PEAK_FDS over the logins of $accounts"
[ "$(logged_in)" -eq "$accounts" ] || give_up

# The renewal: ライブドア > TOP as the current account, a1, then a page of its members typed in
# the address bar.
e2e_open_menu 3 && e2e_keys Up Up && e2e_open_submenu Right ||
    { echo "the menu ライブドア did not open" >&2; give_up; }
e2e_keys Return
e2e_wait_for 60 window_shows livedoor a1 || { echo "TOP did not load as a1" >&2; give_up; }
win=$(portal_window)
y=$(address_bar_y "$win")
[ -n "$y" ] || { echo "the address bar was not found" >&2; give_up; }
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool windowfocus --sync "$win" mousemove --window "$win" $((WIDTH / 2)) "$y" click 1
e2e_keys ctrl+a
xdotool type --delay 20 https://www.livedoor.com/members/page
e2e_keys Return
e2e_wait_for 30 window_shows members a1 || { echo "the members' page did not load as a1" >&2; give_up; }
portal_expire a1 || { echo "the portal did not forget a1's session" >&2; give_up; }
t0=$(e2e_now_ms)
e2e_keys F5
e2e_wait_for 30 window_leaves members a1 || { echo "the tab did not go to the login form" >&2; give_up; }
e2e_wait_for 60 window_shows members a1 || { echo "the members' page did not come back" >&2; give_up; }
echo "an expired login renewed without asking: from the tab loaded again to its page shown again" \
    "as the account, $(($(e2e_now_ms) - t0)) ms"
e2e_keys ctrl+w
e2e_wait_for 10 window_leaves '.*' a1 || { echo "the portal window did not close" >&2; give_up; }
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && exit 0
e2e_wait_for 150 helper_gone || { echo "the helper did not end" >&2; give_up; }
sleep 5
echo "5 s after the helper's idle end: the program's process tree $(mb "$(e2e_tree_pss_kb "$APP_PID")")"
