#!/usr/bin/env bash
# The settings window under a real window manager, as a person meets it: openbox on a private
# Xvfb with trayer as a panel that reserves the top edge. The window's frame, title bar
# included, lies on the screen's free area when it first shows and when it comes back where it
# was moved; the entry dialog and the About box open with their frame on the window's; the
# window keeps its designed width whatever its status text says; and 設定画面 over a covered
# window brings it to the front, hiding only a window already in front.
#
# Usage: window_e2e.sh PATH-TO-yorumi-livedoor ARTEFACT-DIR
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
e2e_main window-app.log "$@"
rm -f "$ART"/window-*.png

# 3885 twips at the display's 96 dpi.
DESIGNED_WIDTH=259
# The settings window, once shown (it keeps its X11 window when hidden).
SETTINGS=

# 設定画面 in the tray menu: the menu opens below the icon with 終了 last, and Up from a fresh
# menu selects the last entry (separators skipped), whatever is greyed.
choose_settings() { e2e_open_menu 3 && e2e_keys Up Up Up Return && e2e_wait_popups_closed; }

# check_frame_at WIN NAME X Y: window WIN (NAME in messages) is framed, its frame's top-left
# corner at X Y and the whole frame on the free area.
check_frame_at() {
    local fx fy fw fh ax ay aw ah
    e2e_wait_for 5 e2e_framed "$1" || fail "$2 was never framed" || return 1
    read -r fx fy fw fh < <(e2e_frame_box "$1")
    read -r ax ay aw ah < <(e2e_free_area)
    ((fx >= ax && fy >= ay && fx + fw <= ax + aw && fy + fh <= ay + ah)) ||
        fail "$2's frame ($fx $fy $fw $fh) is not whole on the free area ($ax $ay $aw $ah)" || return 1
    [ "$fx $fy" = "$3 $4" ] || fail "$2's frame is at $fx $fy, not at $3 $4"
}

# check_width WIDTH WHEN: the settings window was WIDTH px wide WHEN, its designed width.
width_of() { local _ w; read -r _ _ w _ < <(e2e_window_box "$1"); echo "$w"; }
check_width() {
    [ "$1" = "$DESIGNED_WIDTH" ] || fail "the settings window is $1 px wide $2, not $DESIGNED_WIDTH"
}

# Succeeds when window A is the active window, stacked above window B (the window manager's
# stacking lists them bottom to top).
in_front_of() {
    local stack active
    stack=$(xprop -root _NET_CLIENT_LIST_STACKING) active=$(xprop -root _NET_ACTIVE_WINDOW)
    stack=" $(for w in ${stack#*# }; do printf '%d ' "${w%,}"; done)"
    [ "$((${active##*# }))" = "$1" ] && [[ " ${stack#* $2 }" == *" $1 "* ]]
}

check_first_show() {
    local ax ay _
    choose_settings || fail "could not choose 設定画面" || return 1
    e2e_wait_for 5 e2e_settings_shown || fail "設定画面 showed no settings window" || return 1
    SETTINGS=$(e2e_settings_window)
    read -r ax ay _ < <(e2e_free_area) || fail "the window manager reports no free area" || return 1
    check_frame_at "$SETTINGS" "the settings window" "$ax" "$ay" || return 1
    e2e_screenshot "$ART/window-first-show.png"
    check_width "$(width_of "$SETTINGS")" "with the empty list's hint"
}

check_dialogs_and_long_status() {
    local x y _ width placed
    read -r x y _ < <(e2e_frame_box "$SETTINGS")
    # 新規登録: an account with a long ID.
    e2e_click_in "$SETTINGS" 200 115
    e2e_wait_for 5 e2e_window_named '入力画面' || fail "新規登録 opened no entry dialog" || return 1
    check_frame_at "$(e2e_window_named '入力画面')" "the entry dialog" "$x" "$y" || return 1
    e2e_screenshot "$ART/window-entry-dialog.png"
    xdotool type --delay 20 a-rather-long-account-name@example.livedoor.com
    e2e_keys Tab
    xdotool type --delay 20 Pw-long.1
    e2e_keys Return
    e2e_wait_for 5 e2e_window_named 'Yorumi@Livedoor' || fail "OK asked nothing" || return 1
    e2e_keys Return
    e2e_wait_for 5 eval '! e2e_window_named 入力画面' || fail "the entry dialog stayed open" || return 1
    # ｸﾘｯﾌﾟﾎﾞｰﾄﾞ on the account just added (it is selected): "<ID>のパスワードをコピーしました。..."
    e2e_click_in "$SETTINGS" 200 83
    e2e_wait_for 5 eval '[ "$(timeout 3 xclip -o -selection clipboard 2>/dev/null)" = Pw-long.1 ]' ||
        fail "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ copied nothing" || return 1
    # バージョン情報(V): keys the window reads after the status text, so its size has settled
    # by the time the box shows.
    e2e_keys alt+o Down Return
    e2e_wait_for 5 e2e_window_named 'バージョン情報' || fail "no About box" || return 1
    width=$(width_of "$SETTINGS")
    e2e_screenshot "$ART/window-long-status.png"
    check_frame_at "$(e2e_window_named 'バージョン情報')" "the About box" "$x" "$y"
    placed=$?
    e2e_keys Return
    e2e_wait_for 5 eval '! e2e_window_named バージョン情報' || fail "the About box stayed open" || return 1
    [ "$placed" = 0 ] && check_width "$width" "with a long status text"
}

check_comes_back_where_moved() {
    local x y _
    xdotool windowmove "$SETTINGS" 500 300
    e2e_wait_for 5 eval '[[ $(e2e_window_box "$SETTINGS") == "500 300 "* ]]' || fail "could not move the window" || return 1
    read -r x y _ < <(e2e_frame_box "$SETTINGS")
    choose_settings && e2e_wait_for 5 e2e_settings_hidden || fail "設定画面 did not hide the window in front" || return 1
    choose_settings && e2e_wait_for 5 e2e_settings_shown || fail "設定画面 did not show the window again" || return 1
    check_frame_at "$SETTINGS" "the settings window shown again" "$x" "$y"
}

check_covered_comes_to_front() {
    local cover x y _
    read -r x y _ < <(e2e_frame_box "$SETTINGS")
    xmessage -geometry "400x300+$((x + 40))+$((y + 40))" 'a window in front' >/dev/null 2>&1 &
    E2E_PIDS+=("$!")
    e2e_wait_for 5 eval 'cover=$(e2e_window_named xmessage) && in_front_of "$cover" "$SETTINGS"' ||
        fail "the covering window did not come to the front" || return 1
    e2e_screenshot "$ART/window-covered.png"
    choose_settings || fail "could not choose 設定画面" || return 1
    e2e_wait_for 5 in_front_of "$SETTINGS" "$cover" || fail "設定画面 did not bring the covered window to the front" || return 1
    e2e_screenshot "$ART/window-brought-to-front.png"
    # Still ticked: the next 設定画面 hides the window, now in front.
    choose_settings && e2e_wait_for 5 e2e_settings_hidden || fail "設定画面 did not hide the window in front"
}

e2e_start_x || exit 1
e2e_start_wm || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/user"
e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "not ok - the icon docked"; exit 1; }

check "the first showing puts the frame at the free area's top-left, the window at its designed width" check_first_show
check "the entry dialog and the About box open on the window's frame; a long status text keeps the width" check_dialogs_and_long_status
check "hidden and shown again, the frame comes back where the window was moved" check_comes_back_where_moved
check "設定画面 brings a covered window to the front and hides only one in front" check_covered_comes_to_front

e2e_open_menu 3 && e2e_keys Up Return
check "終了 ends the program" e2e_wait_exit "$APP_PID" 15
check "the program wrote nothing on its output" test ! -s "$E2E_APP_LOG"

e2e_summary
