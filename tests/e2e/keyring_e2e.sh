#!/usr/bin/env bash
# End-to-end test of パスワードをキーリングに保存, driven as a person would: the real program
# under a private Xvfb with trayer, a real gnome-keyring on a private session bus, the fake
# portal. Ticking the entry in the settings window's その他(&O) menu moves the passwords out of
# the store into the keyring; unticking while the keyring is locked and its unlock prompt is
# cancelled changes nothing; the tray's ｸﾘｯﾌﾟﾎﾞｰﾄﾞ and ログイン take the passwords from the
# keyring (and the copied one leaves the clipboard after 30 s); unticking moves them back into
# their slots and removes them from the keyring; with the keyring emptied behind the program's
# back, unticking asks first and leaves the IDs without passwords. bob's password is the
# canary of the run: it is never printed, and while ticked it is in no file at all.
#
# Usage: keyring_e2e.sh PATH-TO-yorumi-livedoor ARTEFACT-DIR
# Everything the run keeps (screenshots, logs, the user's folders with the keyring's files)
# stays in ARTEFACT-DIR, but the store, which holds the canary again at the end: ./test.sh's
# sweep then finds the canary in no file the run left.
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
# shellcheck source-path=SCRIPTDIR
source "$HERE/keyring.sh"
# shellcheck source-path=SCRIPTDIR
source "$HERE/portal.sh"
e2e_main keyring-app.log "$@"
trap 'portal_save_log "$ART/keyring-portal-requests.log"; e2e_cleanup; rm -f "${STORE:-}"' EXIT
# The browser engine does not get along with AddressSanitizer's allocation checks.
export ASAN_OPTIONS="new_delete_type_mismatch=0:detect_leaks=0"

random_word() { od -An -N12 -tx1 /dev/urandom | tr -d ' \n'; }
# ./test.sh gives every test of a run the same canary, and looks for it everywhere afterwards.
CANARY=${YORUMI_TEST_CANARY:-"Cn$(random_word)Ry"}
ALICE_PW="Pa-$(random_word).1"
CLIPBOARD_CLEARED_AFTER_S=31

SANDBOX="$ART/keyring-user"
rm -rf "$SANDBOX" "$ART"/keyring-*.png
e2e_sandbox "$SANDBOX"
export XDG_DATA_HOME="$SANDBOX/data"
mkdir -p "$XDG_DATA_HOME"
STORE="$XDG_CONFIG_HOME/YRMLD.conf"
SETTINGS="$XDG_CONFIG_HOME/yorumi-livedoor.conf"

# ---------------------------------------------------------------------------------------------
# Helpers (none of them prints a password)

clipboard_holds_canary() { [[ $(timeout 3 xclip -o -selection clipboard 2>/dev/null) == *"$CANARY"* ]]; }
clipboard_free_of_canary() { ! clipboard_holds_canary; }

# Does the last form the portal received carry exactly this ID and password?
sent_account_is() {
    python3 - "$PORTAL_LOG" "$1" "$2" <<'PY'
import json, sys
log, want_id, want_pw = sys.argv[1:]
posts = [json.loads(l) for l in open(log) if l.startswith("{") and '"post"' in l]
fields = dict(posts[-1]["fields"]) if posts else {}
sys.exit(0 if fields.get("livedoor_id") == want_id and fields.get("password") == want_pw else 1)
PY
}
posts_above() { [ "$(portal_count post /login/)" -gt "$1" ]; }

# The store's slots as "ID<TAB>PW" lines, for comparing (kept in variables, never printed).
# A value written in quotes ("...") counts without them.
store_slots() {
    python3 - "$STORE" <<'PY'
import configparser, sys
parser = configparser.ConfigParser(interpolation=None)
parser.optionxform = str
parser.read(sys.argv[1], encoding="utf-8")
def text(section, key):
    value = parser.get(section, key, fallback="").strip()
    return value[1:-1] if len(value) >= 2 and value[0] == value[-1] == '"' else value
slot = 0
while parser.has_option("ID", f"ID{slot}"):
    print(f"{text('ID', f'ID{slot}')}\t{text('PW', f'PW{slot}')}")
    slot += 1
PY
}
EXPECTED_SLOTS=$(printf 'alice\t%s\nbob\t%s' "$ALICE_PW" "$CANARY")
EMPTIED_SLOTS=$(printf 'alice\t\nbob\t')
store_slots_are() { [ "$(store_slots)" = "$1" ]; }
store_is_emptied() { store_slots_are "$EMPTIED_SLOTS" && ! grep -qaF -- "$CANARY" "$STORE"; }
store_is_restored() { store_slots_are "$EXPECTED_SLOTS"; }

# [Keyring] Enabled of the program's settings file, "" when missing.
keyring_setting() {
    python3 - "$SETTINGS" <<'PY'
import configparser, sys
parser = configparser.ConfigParser(interpolation=None)
parser.read(sys.argv[1], encoding="utf-8")
print(parser.get("Keyring", "Enabled", fallback=""))
PY
}
setting_enabled() { [ "$(keyring_setting)" = true ]; }
setting_disabled() { [ "$(keyring_setting)" != true ]; }

tick_done() { store_is_emptied && setting_enabled; }
untick_done() { store_is_restored && setting_disabled; }

# Files of the sandbox and the program's output that hold the canary (names only).
files_with_canary() { grep -rlaF -- "$CANARY" "$SANDBOX" "$E2E_APP_LOG" 2>/dev/null; }

# Chooses パスワードをキーリングに保存 in the settings window; NAME names the screenshot of the
# menu.
choose_keyring_entry() {
    keyring_open_entry || return 1
    e2e_screenshot "$ART/keyring-$1-menu.png"
    e2e_keys Return
    e2e_wait_popups_closed
}

# ｸﾘｯﾌﾟﾎﾞｰﾄﾞ > bob (Right opens the submenu on alice, Down moves to bob).
tray_copy_bob() {
    e2e_open_menu 3 && e2e_keys Down Down Down && e2e_open_submenu Right || return 1
    e2e_keys Down Return
    e2e_wait_popups_closed
}

# ログイン > bob.
tray_login_bob() {
    e2e_open_menu 3 && e2e_keys Down && e2e_open_submenu Right || return 1
    e2e_keys Down Return
    e2e_wait_popups_closed
}

# ---------------------------------------------------------------------------------------------
# Checks

check_tick() {
    choose_keyring_entry tick || fail "could not choose the entry" || return 1
    e2e_wait_for 20 tick_done || {
        e2e_screenshot "$ART/keyring-tick-failed.png"
        store_is_emptied || fail "the store still holds passwords (or lost an ID)"
        setting_enabled || fail "[Keyring] Enabled is '$(keyring_setting)', not true"
        return 1
    }
    e2e_screenshot "$ART/keyring-ticked.png" "$(e2e_settings_window)"
}

check_keyring_holds_passwords() {
    keyring_holds alice "$ALICE_PW" || fail "no entry for alice with her password" || return 1
    keyring_holds bob "$CANARY" || fail "no entry for bob with the canary" || return 1
    e2e_wait_for 5 keyring_label_is bob "ヨルミ＠ライブドア: bob" || fail "bob's item is not labelled with the program and his ID"
}

check_canary_in_no_file() {
    local found
    found=$(files_with_canary)
    [ -z "$found" ] || fail "the canary is in: $found"
}

message_box() { xdotool search --onlyvisible --name '^Yorumi@Livedoor$' 2>/dev/null | head -n1; }
message_box_shown() { [ -n "$(message_box)" ]; }
message_box_gone() { ! message_box_shown; }
prompt_or_message_shown() { keyring_prompt_shown || message_box_shown; }
prompt_gone() { [ "$(keyring_prompt)" != "$1" ]; }

# Unticking while the keyring is locked and its unlock prompt is cancelled: a locked keyring
# reads as one without the entries, and must not be taken for one.
check_locked_untick_keeps_passwords() {
    local win cancelled=0
    keyring_lock || fail "could not lock the keyring" || return 1
    choose_keyring_entry locked || fail "could not choose the entry" || return 1
    e2e_wait_for 10 keyring_prompt_shown || fail "no unlock prompt showed" || return 1
    e2e_screenshot "$ART/keyring-locked-prompt.png"
    # The program reads its mark and, finding none, tries a write to tell a locked keyring from
    # one that holds nothing of its own: each may bring the prompt up. Every prompt is cancelled
    # until the program's message comes.
    while [ "$cancelled" -lt 5 ] && e2e_wait_for 10 prompt_or_message_shown && ! message_box_shown; do
        win=$(keyring_prompt)
        xdotool windowfocus --sync "$win" && e2e_keys Escape
        cancelled=$((cancelled + 1))
        e2e_wait_for 5 prompt_gone "$win"
    done
    e2e_log "unlock prompts cancelled: $cancelled"
    e2e_wait_for 10 message_box_shown || fail "no message after $cancelled cancelled prompts" || return 1
    e2e_screenshot "$ART/keyring-locked-message.png"
    { store_is_emptied && setting_enabled; } || fail "the move went on: store or [Keyring] Enabled changed" || return 1
    xdotool windowfocus --sync "$(message_box)" && e2e_keys Return
    e2e_wait_for 5 message_box_gone || fail "the message did not close" || return 1
    keyring_unlock || fail "could not unlock the keyring" || return 1
    { keyring_holds alice "$ALICE_PW" && keyring_holds bob "$CANARY"; } || fail "the keyring lost the passwords"
}

check_copy() {
    local at
    tray_copy_bob || fail "could not choose ｸﾘｯﾌﾟﾎﾞｰﾄﾞ > bob" || return 1
    at=$(e2e_now_ms)
    e2e_wait_for 5 clipboard_holds_canary || fail "the clipboard did not get bob's password" || return 1
    COPIED_AT=$at
}

check_login() {
    local posts
    posts=$(portal_count post /login/)
    tray_login_bob || fail "could not choose ログイン > bob" || return 1
    e2e_wait_for 40 posts_above "$posts" || fail "no form reached the portal within 40 s" || return 1
    sent_account_is bob "$CANARY" || fail "the form did not carry bob's ID and password"
}

check_clipboard_cleared() {
    [ -n "${COPIED_AT:-}" ] || fail "no copy to see cleared" || return 1
    local left=$((COPIED_AT + CLIPBOARD_CLEARED_AFTER_S * 1000 - $(e2e_now_ms)))
    [ "$left" -gt 0 ] && sleep "$((left / 1000)).$(printf '%03d' $((left % 1000)))"
    clipboard_free_of_canary || fail "the clipboard still holds bob's password ${CLIPBOARD_CLEARED_AFTER_S} s after the copy"
}

check_untick() {
    choose_keyring_entry untick || fail "could not choose the entry" || return 1
    e2e_wait_for 20 untick_done || {
        e2e_screenshot "$ART/keyring-untick-failed.png"
        store_is_restored || fail "the store does not hold both passwords at their slots"
        setting_disabled || fail "[Keyring] Enabled is still true"
        return 1
    }
}

no_items_left() { [ "$(keyring_item_count)" -eq 0 ]; }
# The items go after the store has its passwords back.
check_keyring_emptied() {
    e2e_wait_for 10 no_items_left && return 0
    local key
    for key in alice bob; do
        keyring_has_entry "$key" && fail "the keyring still has an entry for $key"
    done
    fail "the keyring still has $(keyring_item_count) of the program's items"
}

lost_untick_done() { store_is_emptied && setting_disabled; }
# The keyring emptied behind the program's back (as one made anew): unticking asks whether to go
# on without the passwords it lost, and, told to, leaves the store's IDs without passwords and
# nothing of the program in the keyring (the write that told the keyring open is gone too).
check_emptied_keyring_untick() {
    choose_keyring_entry retick || fail "could not choose the entry" || return 1
    e2e_wait_for 20 tick_done || fail "the passwords did not move into the keyring again" || return 1
    secret-tool clear server "$KEYRING_SERVICE" user "$KEY_PREFIX" &&
        secret-tool clear server "$KEYRING_SERVICE" user "$KEY_PREFIX/alice" &&
        secret-tool clear server "$KEYRING_SERVICE" user "$KEY_PREFIX/bob" || fail "could not empty the keyring" || return 1
    no_items_left || fail "the keyring still has $(keyring_item_count) of the program's items" || return 1
    # The question comes at once, while the menu may still count as open.
    keyring_open_entry || fail "could not open the menu" || return 1
    e2e_keys Return
    e2e_wait_for 10 message_box_shown || fail "no question came" || return 1
    e2e_screenshot "$ART/keyring-emptied-question.png"
    xdotool windowfocus --sync "$(message_box)" && e2e_keys Return
    e2e_wait_for 20 lost_untick_done || fail "the option stayed ticked, or the store changed otherwise" || return 1
    no_items_left || fail "the keyring has $(keyring_item_count) of the program's items"
}

# ---------------------------------------------------------------------------------------------

started=$(e2e_now_ms)
e2e_start_x || exit 1
e2e_start_tray || exit 1
keyring_start "$ART/keyring-daemon.log" || { echo "not ok - the keyring started"; exit 1; }
e2e_seed_store alice "$ALICE_PW" bob "$CANARY"
chmod 600 "$STORE"
portal_start || exit 1
portal_variant normal || exit 1
e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "not ok - the icon docked"; e2e_summary; exit 1; }

check "ticking パスワードをキーリングに保存 empties the store's passwords (IDs kept) and sets [Keyring] Enabled=true" check_tick
if [ "$E2E_FAILED" -gt 0 ]; then
    echo "# the rest needs the passwords in the keyring"
    e2e_summary
    exit 1
fi
check "the keyring holds each account's password under server yorumi-livedoor, user $KEY_PREFIX/ID, labelled with the program and the ID" check_keyring_holds_passwords
check "while ticked, the canary is in no file (the user's folders, the keyring's files, the program's output)" check_canary_in_no_file
check "unticking with the keyring locked and its prompt cancelled says so and keeps the passwords in the keyring, the option ticked" check_locked_untick_keeps_passwords
if [ "$E2E_FAILED" -gt 0 ]; then
    echo "# the rest needs the keyring unlocked again and the message closed"
    e2e_summary
    exit 1
fi
check "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ > bob puts bob's password, read from the keyring, on the clipboard" check_copy
check "ログイン > bob sends bob's ID and password from the keyring to the portal" check_login
check "the copied password is off the clipboard ${CLIPBOARD_CLEARED_AFTER_S} s after the copy" check_clipboard_cleared
check "unticking puts both passwords back at their slots and clears [Keyring] Enabled" check_untick
check "unticked, the keyring has no item of the program left" check_keyring_emptied
check "unticking over a keyring emptied behind the program's back asks, then leaves the IDs without passwords and the keyring without items" check_emptied_keyring_untick

echo "# took $(($(e2e_now_ms) - started)) ms; artefacts in $ART"
e2e_summary
