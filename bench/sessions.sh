#!/usr/bin/env bash
# What すべてのアカウントでログイン costs with 30 accounts: the time from choosing it in the tray's
# ログイン submenu to the last account logged in, whether every login succeeded, the engine
# helper's peak memory (its process tree's proportional share, each shared page counted once)
# against the same with one account logged in, and its open files; then the program's memory
# 5 s after the helper's idle end. Release build, private Xvfb with trayer, local fake portal.
#
# Usage: bench/sessions.sh [PATH-TO-yorumi-livedoor]
# Default: build/bench/src/yorumi-livedoor, built (with its engine helper) first. A program
# given is run as it is; its engine helper must be built beside it.
# YORUMI_BENCH_SHORT=1: 3 accounts instead of 30, without the wait for the helper's idle end (a
# minute) and what follows it (CTest runs it so on the debug build: it fails when a step does not
# happen or a figure cannot be read, never on a figure).
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

accounts=30
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && accounts=3

tree_pids() { local child; echo "$1"; for child in $(pgrep -P "$1"); do tree_pids "$child"; done; }
helper_pid() { pgrep -P "$APP_PID" -x yorumi-browser; }
helper_gone() { [ -z "$(helper_pid)" ]; }
# Proportional memory of a process tree (kB), and its open files.
tree_pss_kb() {
    local pid total=0 kb
    for pid in $(tree_pids "$1"); do
        kb=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null)
        total=$((total + ${kb:-0}))
    done
    echo "$total"
}
tree_fds() {
    local pid total=0
    for pid in $(tree_pids "$1"); do
        total=$((total + $(find "/proc/$pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)))
    done
    echo "$total"
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
# Waits until N accounts are logged in, noting the helper's peak memory and open files meanwhile.
PEAK_KB=0 PEAK_FDS=0
watch_until_logged_in() {
    local deadline=$(($(e2e_now_ms) + $2 * 1000)) pid kb fds
    while ! logged_in_at_least "$1"; do
        [ "$(e2e_now_ms)" -lt "$deadline" ] || return 1
        if pid=$(helper_pid) && [ -n "$pid" ]; then
            kb=$(tree_pss_kb "$pid")
            fds=$(tree_fds "$pid")
            [ "$kb" -gt "$PEAK_KB" ] && PEAK_KB=$kb
            [ "$fds" -gt "$PEAK_FDS" ] && PEAK_FDS=$fds
        fi
        sleep 0.2
    done
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
store=()
for n in $(seq "$accounts"); do store+=("a$n" "bench-pw-$n"); done
e2e_seed_store "${store[@]}"
portal_start || exit 1
E2E_APP_LOG="$E2E_TMP/app.log"
e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "the icon did not dock" >&2; give_up; }
sleep 1

# One account: ログイン > a1.
open_login_menu || give_up
e2e_keys Return
e2e_wait_popups_closed
watch_until_logged_in 1 60 || { echo "a1 was not logged in" >&2; give_up; }
sleep 2
one_kb=$(tree_pss_kb "$(helper_pid)")
[ "$one_kb" -gt "$PEAK_KB" ] && PEAK_KB=$one_kb
one_kb=$PEAK_KB one_fds=$(tree_fds "$(helper_pid)")
PEAK_KB=0 PEAK_FDS=0

# Every account: the submenu's first entry from the bottom that can be chosen (すべてのアカウントから
# ログアウト, below it, can be too now that a1 is logged in).
open_login_menu || give_up
e2e_keys Up Up Return
e2e_wait_popups_closed
t0=$(e2e_now_ms)
watch_until_logged_in "$accounts" $((accounts * 30)) ||
    { echo "only $(logged_in) of $accounts accounts were logged in" >&2; give_up; }
total=$(($(e2e_now_ms) - t0))
posts=$(portal_count post /login/)
echo "すべてのアカウントでログイン, $accounts accounts: $total ms; $(logged_in) of $accounts logged in" \
    "($posts forms sent with a1's)"
echo "the helper's peak proportional memory: $(mb "$one_kb") with one account logged in," \
    "$(mb "$PEAK_KB") over the logins of $accounts; open files: $one_fds, at most $PEAK_FDS"
[ "$(logged_in)" -eq "$accounts" ] || give_up
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && exit 0
e2e_wait_for 150 helper_gone || { echo "the helper did not end" >&2; give_up; }
sleep 5
echo "5 s after the helper's idle end: the program's process tree $(mb "$(tree_pss_kb "$APP_PID")")"
