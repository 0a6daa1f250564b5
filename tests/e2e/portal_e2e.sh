#!/usr/bin/env bash
# End to end, as a person would: the real program under a private Xvfb with trayer, and the fake
# portal on 127.0.0.1 behind the portal's real host names. After ログイン > bob, ライブドア > TOP
# shows the portal in the program's own portal window as bob (the portal records bob's session
# cookie with the request). After ログイン > alice a new TOP is alice's, side by side with bob's,
# which is not reloaded; after the helper is killed both come back, each as its account; ログアウト
# logs alice out alone. Nothing of the portal goes to the default browser; its links off the
# portal do, a new window's too, and leave no empty tab.
#
# Usage: portal_e2e.sh PATH-TO-yorumi-livedoor ARTEFACT-DIR
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
# shellcheck source-path=SCRIPTDIR
source "$HERE/portal.sh"
e2e_main portal-app.log "$@"
trap 'portal_save_log "$ART/portal-e2e-requests.log"; e2e_cleanup' EXIT
# The browser engine does not get along with AddressSanitizer's allocation checks.
export ASAN_OPTIONS="new_delete_type_mismatch=0:detect_leaks=0"

login_posted() { [ "$(portal_count post /login/)" -ge 1 ]; }
logout_requested() { [ "$(portal_count get /login/logout)" -ge 1 ]; }
# The cookie of the last top page the portal served over HTTPS.
top_cookie() {
    grep '"event": "get"' "$PORTAL_LOG" | grep -v '"scheme": "http"' | grep '"path": "/"' | tail -n1 |
        sed -n 's/.*"cookie": "\([^"]*\)".*/\1/p'
}
top_seen_as_bob() { [[ "$(top_cookie)" == *"ldsession=s1.bob"* ]]; }
# How many top pages the portal served as the account (guest: without a session).
tops_as() {
    local lines
    lines=$(grep '"event": "get"' "$PORTAL_LOG" | grep -v '"scheme": "http"' | grep '"path": "/"')
    if [ "$1" = guest ]; then
        grep -vc 'ldsession=s1\.' <<<"$lines"
    else
        grep -c "ldsession=s1\\.$1\\b" <<<"$lines"
    fi
}
seen_as() { [ "$(tops_as "$1")" -ge "$2" ]; }
posted_twice() { [ "$(portal_count post /login/)" -ge 2 ]; }
portal_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
window_titled() { [ -n "$(portal_window "$1")" ]; }
no_portal_window() { [ -z "$(portal_window 'livedoor.*')" ]; }
nothing_to_the_browser() { [ ! -s "$E2E_URL_LOG" ] || fail "opened: $(cat "$E2E_URL_LOG")"; }
handed_to_browser() { grep -qxF "$1" "$E2E_URL_LOG"; }
helper_pid() { pgrep -P "$APP_PID" -x yorumi-browser; }
geometry_saved() { grep -q '^Geometry=' "$XDG_CONFIG_HOME/yorumi-livedoor.conf" 2>/dev/null; }

e2e_start_x || exit 1
e2e_start_tray || exit 1
e2e_sandbox "$E2E_TMP/user"
export XDG_DATA_HOME="$E2E_TMP/user/data"
e2e_seed_store alice 'Pa-alice.1' bob 'Pb-bob.2'
e2e_fake_browser
portal_start || exit 1
portal_variant normal || exit 1

e2e_start_program "$BIN"
e2e_wait_icon 15 || { echo "not ok - the icon docked"; exit 1; }

# ログイン (the first entry, under the top panel) > bob (the second).
e2e_open_menu 3 && e2e_keys Down && e2e_open_submenu Right
e2e_keys Down Return
e2e_wait_popups_closed
check "ログイン > bob sends the form" e2e_wait_for 40 login_posted

# ライブドア (above 終了, the last entry) > TOP (its first entry).
e2e_open_menu 3 && e2e_keys Up Up && e2e_open_submenu Right
e2e_screenshot "$ART/portal-menu.png" "$MENU_WIN"
e2e_keys Return
e2e_wait_popups_closed
check "ライブドア > TOP loads the portal's top page with bob's session" e2e_wait_for 40 top_seen_as_bob
check "it shows in the portal window, titled with the page and bob" e2e_wait_for 10 window_titled 'livedoor - bob'
sleep 0.5
e2e_screenshot "$ART/portal-window-bob.png"
HELPER=$(helper_pid)
check "the window is the engine helper's" test -n "$HELPER"

# ログイン > alice: a profile of her own. Pages opened now are hers; bob's tab stays as it is and
# still shows bob when reloaded.
BOB_TOPS=$(tops_as bob)
e2e_open_menu 3 && e2e_keys Down && e2e_open_submenu Right
e2e_keys Return
e2e_wait_popups_closed
check "ログイン > alice sends the form" e2e_wait_for 40 posted_twice
e2e_open_menu 3 && e2e_keys Up Up && e2e_open_submenu Right
e2e_keys Return
e2e_wait_popups_closed
check "ライブドア > TOP now opens a tab as alice" e2e_wait_for 40 seen_as alice 1
check "titled with the page and alice" e2e_wait_for 10 window_titled 'livedoor - alice'
check "bob's tab was not reloaded by alice's login" test "$(tops_as bob)" -eq "$BOB_TOPS"
WIN=$(portal_window 'livedoor - alice')
xdotool windowfocus --sync "$WIN" 2>/dev/null
e2e_keys ctrl+Tab F5
check "bob's tab, reloaded, is still bob's" e2e_wait_for 20 seen_as bob $((BOB_TOPS + 1))
check "and the window says so" e2e_wait_for 10 window_titled 'livedoor - bob'
sleep 0.5
e2e_screenshot "$ART/portal-window-side-by-side.png"

# The helper killed: a new one opens both tabs again at once, each as its account.
BOB_TOPS=$(tops_as bob)
ALICE_TOPS=$(tops_as alice)
kill -KILL "$HELPER"
check "after SIGKILL of the helper bob's tab comes back as bob" e2e_wait_for 40 seen_as bob $((BOB_TOPS + 1))
check "and alice's as alice" e2e_wait_for 20 seen_as alice $((ALICE_TOPS + 1))
HELPER=$(helper_pid)
check "in a new helper" test -n "$HELPER"
sleep 0.5
e2e_screenshot "$ART/portal-window-restored.png"

# ログアウト (above ログイン) logs alice out: her tab reloads as a guest, bob's stays.
BOB_TOPS=$(tops_as bob)
GUEST_TOPS=$(tops_as guest)
e2e_open_menu 3 && e2e_keys Down Down Return
e2e_wait_popups_closed
check "ログアウト requests the logout page" e2e_wait_for 40 logout_requested
check "alice's tab reloads as a guest" e2e_wait_for 20 seen_as guest $((GUEST_TOPS + 1))
check "bob's tab is left as it was" test "$(tops_as bob)" -eq "$BOB_TOPS"
check "nothing went to the default browser" nothing_to_the_browser
# The restored window has bob's tab in front, as it was.
WIN=$(portal_window 'livedoor - bob')
check "the restored window shows bob's tab in front" test -n "$WIN"
xdotool windowfocus --sync "$WIN" 2>/dev/null
e2e_keys ctrl+Tab
check "Ctrl+Tab goes to alice's tab" e2e_wait_for 10 window_titled 'livedoor - alice'
e2e_keys ctrl+w
check "Ctrl+W closes alice's tab, bob's stays" e2e_wait_for 10 window_titled 'livedoor - bob'

# A link off the portal, and one that opens a new window, go to the default browser; the window
# keeps its page, and leaves no empty tab behind.
WIN=$(portal_window 'livedoor - bob')
# (No window manager here to activate it: the window takes the focus directly.)
xdotool windowfocus --sync "$WIN" 2>/dev/null
e2e_keys Tab Return
check "a link off the portal opens in the default browser" e2e_wait_for 10 handed_to_browser http://example.org/away
e2e_keys Tab Return
check "so does one that opens a new window" e2e_wait_for 10 handed_to_browser http://example.org/popup
sleep 0.5
check "the window still shows the portal's page, with no empty tab in front" window_titled 'livedoor - bob'

# Closed, the window leaves its geometry in the program's settings; the program then ends with
# its helper.
xdotool windowfocus --sync "$WIN" 2>/dev/null
e2e_keys ctrl+w
check "Ctrl+W on the last tab closes the window" e2e_wait_for 10 no_portal_window
check "the window's geometry is saved" e2e_wait_for 5 geometry_saved
e2e_open_menu 3 && e2e_keys Up Return
check "終了 ends the program" e2e_wait_exit "$APP_PID" 15
check "the helper ends with it" e2e_wait_for 5 e2e_not_running "$HELPER"

e2e_summary
