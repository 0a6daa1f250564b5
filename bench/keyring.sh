#!/usr/bin/env bash
# What keeping the passwords in the desktop keyring costs: the time from choosing an account
# in the tray's ｸﾘｯﾌﾟﾎﾞｰﾄﾞ to its password on the clipboard, and from choosing it in ログイン to
# the form at the portal, each with パスワードをキーリングに保存 unticked (passwords from the
# store) and ticked (from the keyring); and the time to move every password into the keyring
# (the choice to a store without passwords) and back (to a store holding them all). Private
# Xvfb with trayer, a real gnome-keyring on a private session bus, the local fake portal.
#
# Usage: bench/keyring.sh [PATH-TO-yorumi-livedoor]
# Default: build/bench/src/yorumi-livedoor, built (with its engine helper) first. A program
# given is run as it is; its engine helper must be built beside it.
# 10 repetitions of each measure with 100 accounts; YORUMI_BENCH_SHORT=1: 1 repetition with 4
# accounts (CTest runs it so on the debug build: it fails when a step does not happen or a
# figure cannot be read, never on a figure). Times are taken from the key press that chooses
# the entry (xdotool's start, ~10 ms, counts in them) to a poll that sees its result: every
# 20 ms and a grep, an xclip (~15 ms) or a secret-tool; a copy's figure cannot go below ~40 ms.
set -u
cd "$(dirname "$0")/.." || exit 1
# shellcheck source-path=SCRIPTDIR
source bench/program.sh
bench_program "$@" || exit 1
# shellcheck source-path=SCRIPTDIR
source tests/e2e/lib.sh
# shellcheck source-path=SCRIPTDIR
source tests/e2e/keyring.sh
# shellcheck source-path=SCRIPTDIR
source tests/e2e/portal.sh
e2e_init
export ASAN_OPTIONS="${ASAN_OPTIONS:-new_delete_type_mismatch=0:detect_leaks=0}"

REPS=10
ACCOUNTS=100
if [ "${YORUMI_BENCH_SHORT:-}" = 1 ]; then
    REPS=1
    ACCOUNTS=4
fi

# Made up for this run and never printed; slot 0 gets ./test.sh's canary when there is one.
random_word() { od -An -N8 -tx1 /dev/urandom | tr -d ' \n'; }
PASSWORDS=()
for slot in $(seq 0 $((ACCOUNTS - 1))); do PASSWORDS+=("Pw-$slot-$(random_word)"); done
[ -n "${YORUMI_TEST_CANARY:-}" ] && PASSWORDS[0]=$YORUMI_TEST_CANARY

e2e_start_x || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/user"
export XDG_DATA_HOME="$E2E_TMP/user/data"
mkdir -p "$XDG_DATA_HOME"
keyring_start "$E2E_TMP/keyring.log" || exit 1
STORE="$XDG_CONFIG_HOME/YRMLD.conf"
SETTINGS="$XDG_CONFIG_HOME/yorumi-livedoor.conf"
seed=()
for slot in $(seq 0 $((ACCOUNTS - 1))); do seed+=("user$(printf %03d "$slot")" "${PASSWORDS[slot]}"); done
e2e_seed_store "${seed[@]}"
chmod 600 "$STORE"
# The store's password lines as they are when it holds them all, in a fixed order.
FULL_PW_LINES=$(grep -E '^PW[0-9]+=' "$STORE" | sort)
portal_start || exit 1
portal_variant normal || exit 1
E2E_APP_LOG="$E2E_TMP/app.log"

# Ends the run after a step that failed, with the program's output (which never holds a
# password: the program does not print them).
give_up() {
    echo "$*" >&2
    echo "the program's output:" >&2
    cat "$E2E_APP_LOG" >&2
    exit 1
}

# Polled conditions, each a grep or two (a few ms).
clipboard_is() { [ "$(timeout 3 xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }
posts_above() { [ "$(portal_count post /login/)" -gt "$1" ]; }
store_emptied() {
    [ "$(grep -cE '^PW[0-9]+=(""|)[[:space:]]*$' "$STORE")" -eq "$ACCOUNTS" ] &&
        ! grep -qE '^PW[0-9]+=.*[^"[:space:]]' "$STORE"
}
store_full() { [ "$(grep -E '^PW[0-9]+=' "$STORE" | sort)" = "$FULL_PW_LINES" ]; }
setting_is() { grep -qx "Enabled=$1" "$SETTINGS" 2>/dev/null; }
last_post_password_is() {
    python3 - "$PORTAL_LOG" "$1" <<'PY'
import json, sys
posts = [json.loads(l) for l in open(sys.argv[1]) if l.startswith("{") and '"post"' in l]
sys.exit(0 if posts and dict(posts[-1]["fields"]).get("password") == sys.argv[2] else 1)
PY
}

# Median of the numbers given (of an even count, the mean of the middle two, rounded down).
median() {
    printf '%s\n' "$@" | sort -n |
        awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

# Opens the tray menu, moves with KEYS and opens the submenu there (on its first entry).
tray_submenu() { e2e_open_menu 3 && e2e_keys "$@" && e2e_open_submenu Right; }

# The timed steps set MS, rather than print it: lib.sh keeps the time of the last press on the
# icon, which a subshell would lose. Their key press is sent without e2e_keys' pause after each
# key (60 ms), which would count in every figure.

# ｸﾘｯﾌﾟﾎﾞｰﾄﾞ > the account in SLOT (0 or 1): the ms from the choice to its password on
# the clipboard. The caller makes slots 0 and 1 take turns, so that every copy changes the
# clipboard.
time_copy() {
    local slot=$1 t0
    tray_submenu Down Down Down || { echo "the menu ｸﾘｯﾌﾟﾎﾞｰﾄﾞ did not open" >&2; return 1; }
    [ "$slot" -eq 1 ] && e2e_keys Down
    t0=$(e2e_now_ms)
    xdotool key Return
    e2e_wait_for 10 clipboard_is "${PASSWORDS[slot]}" || { echo "slot $slot's password did not reach the clipboard" >&2; return 1; }
    MS=$(($(e2e_now_ms) - t0))
    e2e_wait_popups_closed
}

# ログイン > the account in SLOT: the ms from the choice to its form at the portal.
time_login() {
    local slot=$1 t0 before
    before=$(portal_count post /login/)
    tray_submenu Down || { echo "the menu ログイン did not open" >&2; return 1; }
    [ "$slot" -eq 1 ] && e2e_keys Down
    t0=$(e2e_now_ms)
    xdotool key Return
    e2e_wait_for 60 posts_above "$before" || { echo "login $slot was not sent" >&2; return 1; }
    MS=$(($(e2e_now_ms) - t0))
    e2e_wait_popups_closed
    last_post_password_is "${PASSWORDS[slot]}" || { echo "login $slot sent another password" >&2; return 1; }
    # Its run ends with the portal's answer.
    sleep 1
}

# パスワードをキーリングに保存 chosen: MS, the ms from the choice until DONE succeeds; then,
# when given, ALL_MS until ALL_DONE does too.
time_toggle() {
    local done=$1 all_done=${2:-} t0
    keyring_open_entry || { echo "その他(&O) did not open on its last entry" >&2; return 1; }
    t0=$(e2e_now_ms)
    xdotool key Return
    e2e_wait_for 120 "$done" || { echo "the passwords did not move ($done)" >&2; return 1; }
    MS=$(($(e2e_now_ms) - t0))
    if [ -n "$all_done" ]; then
        e2e_wait_for 120 "$all_done" || { echo "the move did not end ($all_done)" >&2; return 1; }
        ALL_MS=$(($(e2e_now_ms) - t0))
    fi
    e2e_wait_popups_closed
}
keyring_emptied() { [ "$(keyring_item_count)" -eq 0 ]; }

# REPS copies and REPS logins; sets COPY_MS and LOGIN_MS to the lists. The copies go on taking
# turns across calls.
COPIES=0
measure_use() {
    local i
    COPY_MS=() LOGIN_MS=()
    for i in $(seq "$REPS"); do
        COPIES=$((COPIES + 1))
        time_copy $((COPIES % 2)) || return 1
        COPY_MS+=("$MS")
    done
    for i in $(seq "$REPS"); do
        time_login $((i % 2)) || return 1
        LOGIN_MS+=("$MS")
    done
}

echo "binary: $BIN ($(date -r "$BIN" '+%F %T'))"
echo "$REPS repetitions, $ACCOUNTS accounts; $(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg)"
e2e_start_program "$BIN"
e2e_wait_icon 15 || give_up "the icon did not dock"
sleep 1
# A first login starts the engine helper: not timed, so that every timed login finds it running.
time_login 0 || give_up "the first login failed"

measure_use || give_up "unticked: a copy or a login failed"
copy_store=("${COPY_MS[@]}") login_store=("${LOGIN_MS[@]}")

tick_ms=() untick_ms=() emptied_ms=()
time_toggle store_emptied || give_up "ticking failed"
tick_ms+=("$MS")
setting_is true || give_up "ticked, but [Keyring] Enabled is not true"
[ "$(keyring_entry_count)" -eq "$ACCOUNTS" ] || give_up "ticked, but the keyring has $(keyring_entry_count) entries, not $ACCOUNTS"

measure_use || give_up "ticked: a copy or a login failed"
copy_keyring=("${COPY_MS[@]}") login_keyring=("${LOGIN_MS[@]}")

time_toggle store_full keyring_emptied || give_up "unticking failed"
untick_ms+=("$MS") emptied_ms+=("$ALL_MS")
setting_is true && give_up "unticked, but [Keyring] Enabled is still true"
for _ in $(seq 2 "$REPS"); do
    time_toggle store_emptied || give_up "ticking again failed"
    tick_ms+=("$MS")
    time_toggle store_full keyring_emptied || give_up "unticking again failed"
    untick_ms+=("$MS") emptied_ms+=("$ALL_MS")
done

row() { printf '%8s %8s  %s\n' "$@"; }
echo
echo "median ms (every run in brackets):"
row store keyring
row "$(median "${copy_store[@]}")" "$(median "${copy_keyring[@]}")" \
    "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ, choice to password on the clipboard [${copy_store[*]}] [${copy_keyring[*]}]"
row "$(median "${login_store[@]}")" "$(median "${login_keyring[@]}")" \
    "ログイン, choice to form at the portal [${login_store[*]}] [${login_keyring[*]}]"
echo
echo "moving $ACCOUNTS passwords, median ms: into the keyring (choice to a store without passwords)" \
    "$(median "${tick_ms[@]}") [${tick_ms[*]}]; back (choice to a store with them all)" \
    "$(median "${untick_ms[@]}") [${untick_ms[*]}], and to the keyring without them" \
    "$(median "${emptied_ms[@]}") [${emptied_ms[*]}]"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine skews the times)"
