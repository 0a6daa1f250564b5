#!/usr/bin/env bash
# End-to-end account editing, as a person would: the real program under a private Xvfb with
# openbox and trayer; an account added through the real entry dialog shows in the list, the store and
# the tray's submenus; it is moved up and deleted with the settings window's buttons.
#
# Usage: editing_e2e.sh PATH-TO-yorumi-livedoor ARTEFACT-DIR
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
e2e_main editing-app.log "$@"


# Positions within the settings window at 96 DPI, its 19 px menu bar included.
click_at() { e2e_click_in "$(e2e_settings_window)" "$1" "$2"; }
click_row() { click_at 40 $((44 + 16 * $1)); }
NEW_BUTTON=(200 115)
DELETE_BUTTON=(200 147)
UP_BUTTON=(220 163)

dialog_open() { [ -n "$(e2e_window_named '入力画面')" ]; }
dialog_closed() { ! dialog_open; }
message_box_open() { [ -n "$(e2e_window_named 'Yorumi@Livedoor')" ]; }

# The store's IDs in slot order, as "alice,bob,...".
stored_ids() {
    python3 - "$XDG_CONFIG_HOME/YRMLD.conf" <<'PY'
import configparser, sys
parser = configparser.ConfigParser(interpolation=None)
parser.optionxform = str
parser.read(sys.argv[1], encoding="utf-8")
ids = []
while parser.has_option("ID", f"ID{len(ids)}") and parser.get("ID", f"ID{len(ids)}"):
    ids.append(parser.get("ID", f"ID{len(ids)}"))
print(",".join(ids))
PY
}
ids_are() { [ "$(stored_ids)" = "$1" ]; }
clipboard_is() { [ "$(timeout 3 xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

e2e_start_x || exit 1
e2e_start_wm || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/user"
e2e_seed_store alice Pa-1 bob Pb-2
e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "not ok - the icon docked"; exit 1; }

# 設定画面 brings the settings window up.
e2e_open_menu 3 && e2e_keys Down Down Down Down Return
e2e_wait_for 5 e2e_settings_shown

# 新規登録: type into the real dialog, OK, and confirm 登録いたします。
click_at "${NEW_BUTTON[@]}"
check "新規登録 opens the entry dialog" e2e_wait_for 5 dialog_open
xdotool type --delay 40 carol
e2e_keys Tab
xdotool type --delay 40 Pc-3
e2e_screenshot "$ART/entry-dialog.png" "$(e2e_window_named '入力画面')"
e2e_keys Return
e2e_wait_for 5 message_box_open && e2e_screenshot "$ART/confirm-box.png" "$(e2e_window_named 'Yorumi@Livedoor')"
e2e_keys Return
check "OK stores the account after the list" e2e_wait_for 5 ids_are alice,bob,carol
check "the dialog closes" e2e_wait_for 5 dialog_closed
e2e_screenshot "$ART/settings-after-add.png" "$(e2e_settings_window)"

# The tray knows the new account at once: ｸﾘｯﾌﾟﾎﾞｰﾄﾞ's last entry copies its password.
e2e_open_menu 3 && e2e_keys Down Down Down && e2e_open_submenu Right
e2e_screenshot "$ART/menu-clipboard-after-add.png" "$MENU_WIN"
e2e_keys Up Return
e2e_wait_popups_closed
check "the tray's submenus list the new account last" e2e_wait_for 3 clipboard_is Pc-3

# ▲ on the new row moves it up, in the store too.
click_row 2
click_at "${UP_BUTTON[@]}"
check "▲ moves the account up" e2e_wait_for 5 ids_are alice,carol,bob
e2e_screenshot "$ART/settings-after-move.png" "$(e2e_settings_window)"

# The moved row stays selected: 削除 and confirm 削除いたします。
click_at "${DELETE_BUTTON[@]}"
e2e_wait_for 5 message_box_open
e2e_keys Return
check "削除 removes the moved account" e2e_wait_for 5 ids_are alice,bob

e2e_open_menu 3 && e2e_keys Up Return
check "終了 ends the program" e2e_wait_exit "$APP_PID" 15
check "the program wrote nothing on its output" test ! -s "$E2E_APP_LOG"

e2e_summary
