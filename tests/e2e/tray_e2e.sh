#!/usr/bin/env bash
# End-to-end test of yorumi-livedoor in the notification area, driven as a person would:
# presses on the tray icon, keys in its menu, the clipboard, the settings window and the
# browser hand-off, on a private Xvfb with openbox as the window manager and trayer as the
# notification area.
#
# Usage: tray_e2e.sh PATH-TO-yorumi-livedoor ARTEFACT-DIR
# Screenshots and the program's output go to ARTEFACT-DIR.
set -u

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
e2e_main app.log "$@"
rm -f "$ART"/*.png

# Four slots: the blank ID in slot 2 (a quoted single space in the store) ends the account
# lists after slot 1, hiding carol in slot 3.
PW_SLOT0='Ap7-alice.Pass'
PW_SLOT1='Bq8-bob.Word'
PW_SLOT3='Cr9-carol.Key'
ID_SLOT1=bob

clipboard_text() { timeout 3 xclip -o -selection clipboard 2>/dev/null; }
clipboard_targets() { timeout 3 xclip -o -selection clipboard -t TARGETS 2>/dev/null; }

# choose_clipboard_entry NAME KEYS...: opens ｸﾘｯﾌﾟﾎﾞｰﾄﾞ (Right opens it on its first entry),
# saves it as menu-clipboard-NAME.png, moves with KEYS and chooses.
choose_clipboard_entry() {
    e2e_open_menu 3 || return 1
    e2e_keys Down Down Down
    e2e_open_submenu Right || return 1
    e2e_screenshot "$ART/menu-clipboard-$1.png" "$MENU_WIN"
    shift
    e2e_keys "$@" Return
    e2e_wait_popups_closed
}

choose_settings_entry() {
    e2e_open_menu 3 || return 1
    e2e_keys Down Down Down Down Return
    e2e_wait_popups_closed
}

# Where the settings window's frame has its top-left corner, as "X Y".
settings_position() {
    local win x y _
    win=$(e2e_settings_window)
    [ -n "$win" ] && e2e_wait_for 5 e2e_framed "$win" || return 1
    read -r x y _ < <(e2e_frame_box "$win")
    echo "$x $y"
}

# Number of pixels that differ between two screenshots of the same size.
pixels_differing() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }


# ---------------------------------------------------------------------------------------------

check_start_in_tray() {
    e2e_wait_icon 15 || fail "no icon of 32 px or less docked within 15 s"|| return 1
    [ "$ICON_W" -eq 22 ] && [ "$ICON_H" -eq 22 ] || fail "icon is ${ICON_W}x${ICON_H}, not 22x22" || return 1
    e2e_docked_in_tray "$ICON_WIN" ||
        fail "icon window $ICON_WIN is not inside trayer's panel" || return 1
    sleep 0.5 # a window mapped late would show up here
    local others
    others=$(e2e_app_windows | awk -v icon="$ICON_WIN" '$1 != icon')
    [ -z "$others" ] || fail "windows mapped at start besides the icon: $others" || return 1
    e2e_screenshot "$ART/start.png"
}

check_presses_open_menu() {
    local button name geometry=() X Y WIDTH HEIGHT
    for button in 1 3; do
        name=$([ "$button" = 1 ] && echo left || echo right)
        e2e_open_menu "$button" || fail "$name press opened no menu" || return 1
        eval "$(xdotool getwindowgeometry --shell "$MENU_WIN")"
        geometry+=("${WIDTH}x${HEIGHT}")
        e2e_screenshot "$ART/menu-$name-press.png" "$MENU_WIN"
        e2e_keys Escape
        e2e_wait_popups_closed || fail "Escape did not close the menu" || return 1
    done
    [ "${geometry[0]}" = "${geometry[1]}" ] ||
        fail "left and right presses opened menus of different sizes (${geometry[0]} vs ${geometry[1]})" ||
        return 1
    [ "$(pixels_differing "$ART/menu-left-press.png" "$ART/menu-right-press.png")" = 0 ] ||
        fail "left and right presses opened menus that look different"
}

check_clipboard_list_ends_at_blank_id() {
    # Up from the first entry wraps to the last one: it must be slot 1.
    choose_clipboard_entry last Up || fail "could not choose the last clipboard entry" || return 1
    local text
    text=$(clipboard_text)
    if [ "$text" = "$PW_SLOT3" ]; then
        fail "the list went on past the blank ID in slot 2 (slot 3 was last)"
    elif [ "$text" = "$ID_SLOT1" ]; then
        fail "clipboard held slot 1's ID instead of its password"
    else
        [ "$text" = "$PW_SLOT1" ] || fail "clipboard did not hold slot 1's password"
    fi
}

check_clipboard_slot0() {
    choose_clipboard_entry first || fail "could not choose the first clipboard entry" || return 1
    [ "$(clipboard_text)" = "$PW_SLOT0" ] || fail "clipboard did not hold slot 0's password"
}

check_clipboard_hint() {
    clipboard_targets | grep -qx 'x-kde-passwordManagerHint' ||
        fail "clipboard TARGETS lack x-kde-passwordManagerHint"
}

check_settings_toggle() {
    local first second area
    choose_settings_entry || fail "could not choose 設定画面" || return 1
    e2e_wait_for 5 e2e_settings_shown || fail "settings window not shown after the first 設定画面" || return 1
    first=$(settings_position)
    area=$(e2e_free_area)
    [[ $area == "$first "* ]] || fail "settings window's frame at $first, not at the free area's top-left (${area% * *})" || return 1
    e2e_screenshot "$ART/settings-window.png"

    # With the window shown the entry carries a check mark: the menu looks different.
    e2e_open_menu 3 || fail "menu did not open with the settings window shown" || return 1
    e2e_screenshot "$ART/menu-settings-ticked.png" "$MENU_WIN"
    [ "$(pixels_differing "$ART/menu-settings-ticked.png" "$ART/menu-right-press.png")" != 0 ] ||
        fail "設定画面 carries no check mark while the window is shown" || return 1
    e2e_keys Down Down Down Down Return
    e2e_wait_popups_closed
    e2e_wait_for 5 e2e_settings_hidden || fail "settings window still shown after the second 設定画面" || return 1

    # Hidden again: the menu looks as it did at start.
    e2e_open_menu 3 || fail "menu did not open with the settings window hidden" || return 1
    e2e_screenshot "$ART/menu-settings-unticked.png" "$MENU_WIN"
    [ "$(pixels_differing "$ART/menu-settings-unticked.png" "$ART/menu-right-press.png")" = 0 ] ||
        fail "設定画面 still looks ticked after hiding the window" || return 1
    e2e_keys Down Down Down Down Return
    e2e_wait_popups_closed
    e2e_wait_for 5 e2e_settings_shown || fail "settings window not shown after the third 設定画面" || return 1
    second=$(settings_position)
    [ "$second" = "$first" ] || fail "settings window came back at $second, not $first"
}

check_portal_top() {
    e2e_open_menu 3 || fail "menu did not open" || return 1
    e2e_keys Up Up
    e2e_open_submenu Right || fail "ライブドア submenu did not open" || return 1
    e2e_screenshot "$ART/menu-livedoor.png" "$MENU_WIN"
    e2e_keys Return
    e2e_wait_popups_closed
    e2e_wait_for 5 test -s "$E2E_URL_LOG" || fail "no URL reached xdg-open within 5 s" || return 1
    sleep 0.2
    local urls
    urls=$(cat "$E2E_URL_LOG")
    [ "$urls" = "http://www.livedoor.com/" ] || fail "xdg-open was asked for: $urls"
}

check_second_start() {
    # Hide the window first, so the second start has something to bring up.
    if e2e_settings_shown; then
        choose_settings_entry
        e2e_wait_for 5 e2e_settings_hidden || fail "could not hide the settings window" || return 1
    fi
    local first=$APP_PID
    e2e_start_program "$BIN"
    local second=$APP_PID
    APP_PID=$first
    e2e_wait_exit "$second" 20 || fail "second start still running after 20 s" || return 1
    [ "$EXIT_STATUS" -eq 0 ] || fail "second start exited with status $EXIT_STATUS" || return 1
    e2e_wait_for 5 e2e_settings_shown || fail "first copy did not show its settings window" || return 1
    kill -0 "$first" 2>/dev/null || fail "first copy is gone" || return 1
    e2e_find_icon || fail "icon gone after the second start"
}

# A double click, with either button, opens the menu once and chooses nothing: 終了 stays
# unchosen whatever lies under the pointer.
check_double_click_chooses_nothing() {
    local button
    for button in 1 3; do
        e2e_click_icon "$button" 2
        sleep 0.6
        e2e_not_running "$APP_PID" && { fail "a double click with button $button ended the program"; return 1; }
        e2e_screenshot "$ART/menu-double-click-$button.png"
        e2e_keys Escape
        e2e_wait_popups_closed || fail "the menu a double click opened did not close on Escape" || return 1
    done
}

check_quit() {
    e2e_open_menu 3 || fail "menu did not open" || return 1
    e2e_keys Up Return
    e2e_wait_exit "$APP_PID" 10 || fail "program still running 10 s after 終了" || return 1
    [ "$EXIT_STATUS" -eq 0 ] || fail "program exited with status $EXIT_STATUS" || return 1
    e2e_icon_gone || fail "icon window still shown after 終了"
}

check_no_tray_shows_settings() {
    e2e_stop "$TRAY_PID"
    e2e_sandbox "$E2E_TMP/no-tray"
    e2e_seed_store alice "$PW_SLOT0"
    e2e_start_program "$BIN"
    e2e_wait_for 15 e2e_settings_shown || fail "no settings window without a notification area" || return 1
    e2e_screenshot "$ART/no-tray.png"
    e2e_stop "$APP_PID"
}

check_no_sanitizer_reports() {
    ! grep -Eq 'AddressSanitizer|LeakSanitizer|runtime error:' "$ART/app.log" ||
        fail "sanitizer reports in $ART/app.log"
}

# ---------------------------------------------------------------------------------------------

started=$(e2e_now_ms)
e2e_start_x || exit 1
e2e_start_wm || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/main"
e2e_seed_store alice "$PW_SLOT0" "$ID_SLOT1" "$PW_SLOT1" '" "' 'Zz0-blank.Slot' carol "$PW_SLOT3"
# リンクを既定のブラウザで開く ticked: the tray's portal pages go to the default browser (where they
# go by default is portal_e2e's).
printf '[Links]\nInDefaultBrowser=true\n' >"$XDG_CONFIG_HOME/yorumi-livedoor.conf"
e2e_fake_browser
e2e_start_program "$BIN"

check "starts in the notification area: 22x22 icon docked in trayer, no window mapped" check_start_in_tray
if [ -z "${ICON_WIN:-}" ]; then
    echo "# no tray icon: the remaining checks need it"
    e2e_summary
    exit 1
fi
check "left and right presses on the icon open the same menu" check_presses_open_menu
check "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ list ends before the blank ID: its last entry is slot 1" check_clipboard_list_ends_at_blank_id
check "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ > slot 0 puts slot 0's password on the clipboard" check_clipboard_slot0
check "the clipboard offers x-kde-passwordManagerHint" check_clipboard_hint
check "設定画面 shows the window's frame at the free area's top-left and ticks, hides it and unticks, shows it again in place" check_settings_toggle
check "with リンクを既定のブラウザで開く ticked, ライブドア > TOP opens http://www.livedoor.com/ in the default browser" check_portal_top
check "a double click on the icon chooses no entry of the menu it opens" check_double_click_chooses_nothing
check "a second start exits 0 and brings up the settings window" check_second_start
check "終了 ends the program with status 0 and removes the icon" check_quit
check "without a notification area the settings window shows" check_no_tray_shows_settings
check "no sanitizer reports" check_no_sanitizer_reports

echo "# took $(($(e2e_now_ms) - started)) ms; artefacts in $ART"
e2e_summary
