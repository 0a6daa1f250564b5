#!/usr/bin/env bash
# End-to-end import and export, as a person would: the real program under a private Xvfb with
# trayer and a store of alice and bob. その他 > インポート(&I)... takes a Chromium CSV that gives
# bob another password, adds carol and holds another site's row: the file dialog, the preview,
# OK, and the store has every account with its password. その他 > エクスポート(&E)... then
# warns, asks where, and writes the accounts as a CSV only its owner may read.
#
# Usage: import_e2e.sh PATH-TO-yorumi-livedoor ARTEFACT-DIR
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
e2e_main import-app.log "$@"

window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
shown() { [ -n "$(window_named "$1")" ]; }
gone() { ! shown "$1"; }

# The store's accounts in slot order as "id=password,...": compared, never printed.
stored_accounts() {
    python3 - "$XDG_CONFIG_HOME/YRMLD.conf" <<'PY'
import configparser, sys
parser = configparser.ConfigParser(interpolation=None)
parser.optionxform = str
parser.read(sys.argv[1], encoding="utf-8")
accounts = []
while parser.has_option("ID", f"ID{len(accounts)}") and parser.get("ID", f"ID{len(accounts)}"):
    n = len(accounts)
    accounts.append(parser.get("ID", f"ID{n}") + "=" + parser.get("PW", f"PW{n}", fallback=""))
print(",".join(accounts))
PY
}
store_holds() { [ "$(stored_accounts)" = "$1" ]; }

# The exported file's rows as "id=password,..." and each row's address.
exported_accounts() {
    python3 - "$1" <<'PY'
import csv, sys
with open(sys.argv[1], newline="", encoding="utf-8") as f:
    rows = list(csv.DictReader(f))
print(",".join(r["username"] + "=" + r["password"] for r in rows))
print(" ".join(sorted({r["url"] for r in rows})))
PY
}
owner_only() { [ "$(stat -c %a "$1")" = 600 ]; }

# Opens その他 of the settings window and chooses the entry COUNT up from its end.
choose_from_other_menu() {
    local before
    before=$(e2e_popups)
    xdotool windowfocus --sync "$(e2e_settings_window)" key --delay 60 alt+o
    e2e_wait_new_popup "$before" || return 1
    for _ in $(seq "$1"); do e2e_keys Up; done
    e2e_keys Return
}

# Types a path into the file dialog that opens with the title, and accepts it.
give_file() {
    e2e_wait_for 10 shown "$1" || { fail "no file dialog \"$1\""; return 1; }
    xdotool windowfocus --sync "$(window_named "$1")"
    e2e_keys ctrl+a
    xdotool type --delay 20 "$2"
    e2e_keys Return
}

e2e_start_x || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/user"
e2e_seed_store alice 'Pa-1' bob 'Pb-2'
csv="$E2E_TMP/Chrome Passwords.csv"
printf '%s\n' 'name,url,username,password,note' \
    'member.livedoor.com,https://member.livedoor.com/login/,bob,"Pb-new",' \
    'example.org,https://example.org/,eve,Pe-x,' \
    'livedoor.com,https://www.livedoor.com/,carol,Pc-3,' \
    'member.livedoor.com,https://member.livedoor.com/login/,alice,Pa-1,' >"$csv"
e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "not ok - the icon docked"; exit 1; }
e2e_open_menu 3 && e2e_keys Down Down Down Down Return
e2e_wait_for 5 e2e_settings_shown || { echo "not ok - the settings window shows"; exit 1; }

choose_from_other_menu 2
check "インポート(&I)... asks for the file" give_file 'インポートするファイル' "$csv"
check "the preview shows" e2e_wait_for 10 shown 'インポート'
e2e_screenshot "$ART/import-preview.png" "$(window_named 'インポート')"
check "nothing is written before OK" store_holds 'alice=Pa-1,bob=Pb-2'
e2e_keys Return
check "OK takes every row ticked: bob's new password, carol after the accounts" \
    e2e_wait_for 10 store_holds 'alice=Pa-1,bob=Pb-new,carol=Pc-3'
check "the preview closes" e2e_wait_for 5 gone 'インポート'
e2e_screenshot "$ART/settings-after-import.png" "$(e2e_settings_window)"

out="$E2E_TMP/exported.csv"
choose_from_other_menu 1
check "エクスポート(&E)... warns that the file holds the passwords" e2e_wait_for 5 shown 'Yorumi@Livedoor'
e2e_keys Return
check "and then asks where" give_file 'エクスポート先' "$out"
check "the file is written" e2e_wait_for 10 test -s "$out"
check "only its owner may read it" owner_only "$out"
check "it holds every account at the portal's login page" test \
    "$(exported_accounts "$out")" = $'alice=Pa-1,bob=Pb-new,carol=Pc-3\nhttps://member.livedoor.com/login/'

e2e_open_menu 3 && e2e_keys Up Return
check "終了 ends the program" e2e_wait_exit "$APP_PID" 15
check "the program wrote nothing on its output" test ! -s "$E2E_APP_LOG"

e2e_summary
