#!/usr/bin/env bash
# The program on a desktop whose notification area speaks StatusNotifierItem over D-Bus, on a
# private Xvfb and session bus. First against a stand-in watcher, started after the program,
# that reads the exported menu the way a host does and chooses an entry through it; then
# against a real host, gtk-sni-tray-standalone, that draws the menu for a right click and
# activates for a left one.
#
# Usage: sni_e2e.sh PATH-TO-yorumi-livedoor ARTEFACT-DIR
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
e2e_main sni-app.log "$@"
SNI=("/usr/bin/python3" "$HERE/sni.py")

e2e_start_x || exit 1
e2e_sandbox "$E2E_TMP/user"
e2e_seed_store alice 'Pa-alice.1' bob 'Pa-bob.2'
e2e_start_session_bus || exit 1

stays_hidden() {
    local deadline=$(($(e2e_now_ms) + $1 * 1000))
    while [ "$(e2e_now_ms)" -lt "$deadline" ]; do
        e2e_settings_hidden || { fail "the settings window showed"; return 1; }
        sleep 0.1
    done
}
watcher_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher 2>/dev/null | grep -q true
}

# --- Started where a host is already up: the icon is there from the first look ---------------
FIRST_ITEMS="$E2E_TMP/first-items"
"${SNI[@]}" watch "$FIRST_ITEMS" &
E2E_PIDS+=("$!")
e2e_wait_for 10 watcher_up || { e2e_log "the stand-in watcher did not start"; exit 1; }
e2e_start_program "$BIN"
check "started with a host up, the program registers its item" e2e_wait_for 10 test -s "$FIRST_ITEMS"
check "and its settings window never shows" stays_hidden 3
e2e_stop "$APP_PID"
e2e_start_session_bus || exit 1

# --- The exported menu, read and driven through a stand-in watcher --------------------------
# Started at login before the panel, as happens: the panel's host that comes 2 s later gets the
# item.
ITEMS="$E2E_TMP/items"
e2e_start_program "$BIN" --autostart
sleep 2
"${SNI[@]}" watch "$ITEMS" &
E2E_PIDS+=("$!")
check "a host that comes after the program gets its item" e2e_wait_for 10 test -s "$ITEMS"
SERVICE=$(head -n1 "$ITEMS")

menu_has() {
    local menu
    menu=$("${SNI[@]}" menu "$SERVICE") || return 1
    for line in "$@"; do
        grep -qxF -- "$line" <<<"$menu" || { fail "no entry '$line' in:"$'\n'"$menu"; return 1; }
    done
}
check "the exported menu holds the entries, the portal submenu and the accounts" \
    menu_has '終了' 'ライブドア' '  TOP' 'ヤフー [disabled hidden]' '設定画面' 'ｸﾘｯﾌﾟﾎﾞｰﾄﾞ' \
             '  alice' '  bob' 'ログアウト' 'ログイン'
copies() {
    e2e_wait_for 5 bash -c '[ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ]' _ "$1" \
        || fail "the clipboard does not hold that account's password"
}
"${SNI[@]}" click "$SERVICE" 'ｸﾘｯﾌﾟﾎﾞｰﾄﾞ/bob'
check "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ > bob chosen through the exported menu copies bob's password" copies 'Pa-bob.2'
e2e_seed_store alice 'Pa-alice.1' bob 'Pa-bob.2' carol 'Pa-carol.3'
check "an account added shows in the exported menu when it opens next" menu_has '  carol'
e2e_stop "$APP_PID"

# --- A real host draws it -------------------------------------------------------------------
e2e_start_session_bus || exit 1
gtk-sni-tray-standalone --top --end --watcher -s 24 >"$ART/sni-host.log" 2>&1 &
HOST_PID=$!
E2E_PIDS+=("$HOST_PID")
host_bar() { xdotool search --all --onlyvisible --pid "$HOST_PID" --name gtk-sni-tray 2>/dev/null | head -n1; }
host_up() { [ -n "$(host_bar)" ]; }
e2e_wait_for 15 host_up || { e2e_log "the host did not start"; exit 1; }
e2e_start_program "$BIN"
# The host shows its items from the end of its bar along the top edge.
eval "$(xdotool getwindowgeometry --shell "$(host_bar)")"
ICON_X=$((X + WIDTH - 24)) ICON_Y=$Y ICON_W=24 ICON_H=24 ICON_WIN=
ROOT_WIN=$(($(xwininfo -root | awk '/Window id:/ { print $4 }')))
host_menus() {
    local win bar
    bar=$(host_bar)
    for win in $(xdotool search --all --onlyvisible --pid "$HOST_PID" --name '' 2>/dev/null); do
        [ "$win" = "$bar" ] || [ "$win" = "$ROOT_WIN" ] && continue
        (eval "$(xdotool getwindowgeometry --shell "$win")"; [ "$HEIGHT" -gt 40 ] && echo "$win")
    done
}
host_menu_shown() { [ -n "$(host_menus)" ]; }
host_menu_gone() { [ -z "$(host_menus)" ]; }
own_menu_shown() { [ -n "$(e2e_popups)" ]; }
# The item can be clicked once the host has drawn its icon on the bar.
icon_drawn() {
    local mean
    mean=$(import -window root -crop "${ICON_W}x${ICON_H}+${ICON_X}+${ICON_Y}" +repage png:- 2>/dev/null \
        | convert - -format '%[fx:mean]' info: 2>/dev/null)
    awk -v mean="${mean:-0}" 'BEGIN { exit !(mean > 0.05) }'
}
check "the host shows the program's icon" e2e_wait_for 10 icon_drawn
e2e_click_icon 3
check "a right click makes the host draw the program's menu" e2e_wait_for 5 host_menu_shown
e2e_screenshot "$ART/sni-host-menu.png"
# 終了, ライブドア, 設定画面, ｸﾘｯﾌﾟﾎﾞｰﾄﾞ: its first account.
e2e_keys Down Down Down Down Right Return
check "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ > alice in the host's menu copies alice's password" copies 'Pa-alice.1'
check "no menu of the program's own opened with the host's" e2e_no_popups
e2e_click_icon 1
check "a left click opens the program's menu" e2e_wait_for 5 own_menu_shown
check "and the host draws none beside it" host_menu_gone
e2e_keys Escape
e2e_stop "$APP_PID"

e2e_summary
