#!/usr/bin/env bash
# A notification area that comes late, with the real program under a private Xvfb and openbox:
# started with no panel, the program shows its settings window, and trayer started 2 s later
# gets the icon.
# A panel that goes away brings the window up. Started at login (--autostart), the program
# waits for the panel instead of showing its window.
#
# Usage: tray_late_e2e.sh PATH-TO-yorumi-livedoor ARTEFACT-DIR
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
e2e_main tray-late-app.log "$@"

icon_docked() { e2e_find_icon && e2e_docked_in_tray "$ICON_WIN"; }
stays_hidden() { sleep "$1"; e2e_settings_hidden; }

e2e_start_x || exit 1
e2e_start_wm || exit 1
e2e_sandbox "$E2E_TMP/user"
e2e_seed_store alice 'Pa-alice.1'

e2e_start_program "$BIN"
check "started with no notification area, the settings window shows" e2e_wait_for 15 e2e_settings_shown
sleep 2
e2e_start_tray || exit 1
check "trayer started 2 s later gets the icon" e2e_wait_for 10 icon_docked
e2e_stop "$APP_PID"

# A panel that goes away brings the window up; one that comes again takes the icon back.
e2e_start_program "$BIN"
check "started with a panel, the icon docks" e2e_wait_for 10 icon_docked
check "and the settings window stays hidden" e2e_settings_hidden
e2e_stop "$TRAY_PID"
check "the panel gone, the settings window shows" e2e_wait_for 10 e2e_settings_shown
e2e_start_tray || exit 1
check "a panel again gets the icon" e2e_wait_for 10 icon_docked
e2e_stop "$APP_PID"
e2e_stop "$TRAY_PID"

# Started at login with no panel yet: it waits in the background, and the panel that comes
# within the wait gets the icon; the window never shows.
e2e_start_program "$BIN" --autostart
check "started at login, it shows no window while it waits for a panel" stays_hidden 3
e2e_start_tray || exit 1
check "the panel that comes gets the icon" e2e_wait_for 10 icon_docked
check "past the wait, the window still does not show" stays_hidden 9
e2e_screenshot "$ART/tray-late.png"
e2e_stop "$APP_PID"

e2e_summary
