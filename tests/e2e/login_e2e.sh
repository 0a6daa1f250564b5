#!/usr/bin/env bash
# End-to-end login through the tray, as a person would: the real program under a private
# Xvfb with trayer, the fake portal on 127.0.0.1 behind the portal's real host names (HTTPS,
# test authority trusted in the sandbox's certificate store). ログイン > bob must send bob's
# ID and password through the engine helper; after ending and starting the program again,
# ログアウト must carry the portal's cookie. Whether the program ends by 終了 or is killed,
# its helper and the engine's processes end with it.
#
# Usage: login_e2e.sh PATH-TO-yorumi-livedoor ARTEFACT-DIR
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
# shellcheck source-path=SCRIPTDIR
source "$HERE/portal.sh"
e2e_main login-app.log "$@"
trap 'portal_save_log "$ART/portal-requests.log"; e2e_cleanup' EXIT
# The browser engine does not get along with AddressSanitizer's allocation checks.
export ASAN_OPTIONS="new_delete_type_mismatch=0:detect_leaks=0"

# Did the last form sent carry exactly this ID and password? (Nothing is printed.)
sent_account_is() {
    python3 - "$PORTAL_LOG" "$1" "$2" <<'PY'
import json, sys
log, want_id, want_pw = sys.argv[1:]
posts = [json.loads(l) for l in open(log) if l.startswith("{") and '"post"' in l]
fields = dict(posts[-1]["fields"]) if posts else {}
sys.exit(0 if fields.get("livedoor_id") == want_id and fields.get("password") == want_pw
         and fields.get("auto_login") == "1" else 1)
PY
}

logout_carried_cookie() { grep '"path": "/login/logout"' "$PORTAL_LOG" | tail -n1 | grep -q 'ldsession=s1'; }
login_posted() { [ "$(portal_count post /login/)" -ge 1 ]; }
logout_requested() { [ "$(portal_count get /login/logout)" -ge 1 ]; }
no_stray_windows() { [ -z "$(e2e_popups)" ] && [ -z "$(e2e_settings_window)" ]; }
# The program's engine helper, and it with every process under it.
helper_pid() { pgrep -P "$APP_PID" -x yorumi-browser; }
process_tree() {
    local pid child
    for pid in "$@"; do
        echo "$pid"
        for child in $(pgrep -P "$pid"); do process_tree "$child"; done
    done
}
all_ended() { local pid; for pid in "$@"; do e2e_not_running "$pid" || return 1; done; }
program_has_no_engine() { ! grep -q WebEngine "/proc/$APP_PID/maps"; }
helper_holds_no_password() { ! grep -qaF -- "$1" "/proc/$HELPER/cmdline" "/proc/$HELPER/environ"; }

start() {
    e2e_start_program "$BIN"
    e2e_wait_icon 15
}

e2e_start_x || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/user"
export XDG_DATA_HOME="$E2E_TMP/user/data"
e2e_seed_store alice 'Pa-alice.1' bob 'Pb-bob.2<&'
portal_start || exit 1
portal_variant normal || exit 1

start || { echo "not ok - the icon docked"; exit 1; }
# The menu opens below the panel, ログイン nearest: the first entry; Right opens it on alice, Down moves to bob.
e2e_open_menu 3 && e2e_keys Down && e2e_open_submenu Right
e2e_screenshot "$ART/menu-login.png" "$MENU_WIN"
e2e_keys Down Return
e2e_wait_popups_closed
check "ログイン > bob sends the form" e2e_wait_for 40 login_posted
check "the form carries bob's ID and password and ticks auto_login" sent_account_is bob 'Pb-bob.2<&'
check "nothing of the page shows on screen" no_stray_windows
HELPER=$(helper_pid)
check "the login ran in the engine helper" test -n "$HELPER"
check "the program itself has not loaded the engine" program_has_no_engine
check "the password is in neither the helper's command line nor its environment" \
    helper_holds_no_password 'Pb-bob.2<&'

# 終了, then a new start: the login must have survived in the browser's cookies.
ENGINE_TREE=$(process_tree "$HELPER")
e2e_open_menu 3 && e2e_keys Up Return
check "終了 ends the program" e2e_wait_exit "$APP_PID" 15
# shellcheck disable=SC2086
check "the helper and the engine's processes end with it" e2e_wait_for 2 all_ended $ENGINE_TREE
start || { echo "not ok - the icon docked again"; exit 1; }
# ログアウト is the entry above ログイン.
e2e_open_menu 3 && e2e_keys Down Down Return
e2e_wait_popups_closed
check "ログアウト requests the logout page" e2e_wait_for 40 logout_requested
check "the portal's cookie survived the restart" logout_carried_cookie
# (Only the engine's note that the sandbox is off, which running as root needs.)
quiet_output() { ! grep -v -x "Sandboxing disabled by user." "$E2E_APP_LOG" | grep -q .; }
check "the program wrote nothing else on its output" quiet_output
# Killed outright, the program cannot end its helper: the helper sees its input end (and, on
# Linux, the parent-death signal) and ends within 2 s, leaving no process behind.
HELPER=$(helper_pid)
ENGINE_TREE=$(process_tree "$HELPER")
check "the logout ran in a new helper" test -n "$HELPER"
kill -KILL "$APP_PID"
e2e_wait_exit "$APP_PID" 5
# shellcheck disable=SC2086
check "the helper and the engine's processes end within 2 s of the program's SIGKILL" \
    e2e_wait_for 2 all_ended $ENGINE_TREE

e2e_summary
