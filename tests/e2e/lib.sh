# shellcheck shell=bash disable=SC2034  # (sets variables for the scripts that source it)
# Helpers for driving yorumi-livedoor on a private X display, as a person would.
# Source this file, then call e2e_main (or e2e_init). Everything started here is stopped by
# PID when the calling script exits.
#
# Variables set for the caller:
#   BIN, ART     the program and the artefact folder, as absolute paths (e2e_main)
#   E2E_APP_LOG  where the program's output goes (e2e_main)
#   E2E_TMP      scratch folder of this run (removed at exit)
#   DISPLAY      the private Xvfb display
#   TRAY_PID     trayer
#   WM_PID       openbox (e2e_start_wm)
#   APP_PID      the program last started by e2e_start_program
#   ICON_WIN, ICON_X, ICON_Y, ICON_W, ICON_H   the docked tray icon (e2e_wait_icon)
#   MENU_WIN     the popup last opened by e2e_open_menu / e2e_open_submenu
#   E2E_URL_LOG  where the fake xdg-open writes the URLs it is asked to open

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_APP_CLASS=yorumi-livedoor
E2E_SETTINGS_TITLE='ライブドアID設定画面'
E2E_PIDS=()
E2E_LAST_ICON_PRESS=0
# Seconds between two looks at what is awaited (e2e_wait_for, e2e_wait_new_popup). A look
# mostly starts a program (xdotool): every 20 ms cost the tests a quarter of their processor
# time, which the tests beside them were waiting for. A benchmark's full form looks every 20 ms
# (bench/program.sh): its figures are taken by these looks.
E2E_POLL=${E2E_POLL:-0.05}

e2e_log() { echo "# $*" >&2; }

e2e_now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# Waits SECONDS (a fraction is fine) in the shell itself: a read of a pipe no one writes to,
# which ends by its time-out. A wait between two looks would otherwise start sleep, a program,
# and the shell a copy of itself to read the clock.
e2e_sleep() { read -r -t "$1" -u "$E2E_SLEEP_FD" _ || true; }

# The start of a script run as SCRIPT PATH-TO-yorumi-livedoor ARTEFACT-DIR: checks the
# arguments, makes the artefact folder, starts the program's log LOG-NAME there afresh and
# runs e2e_init.
#   e2e_main LOG-NAME "$@"
e2e_main() {
    local log=$1
    shift
    [ $# -eq 2 ] || { echo "usage: $0 PATH-TO-yorumi-livedoor ARTEFACT-DIR" >&2; exit 2; }
    BIN=$(realpath "$1")
    mkdir -p "$2"
    ART=$(realpath "$2")
    E2E_APP_LOG="$ART/$log"
    : >"$E2E_APP_LOG"
    e2e_init
}

e2e_init() {
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/yorumi-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    mkfifo "$E2E_TMP/never-written"
    exec {E2E_SLEEP_FD}<>"$E2E_TMP/never-written"
    trap 'exit 130' INT TERM
    # Programs under test talk to our own display only, through X11.
    unset DISPLAY WAYLAND_DISPLAY XAUTHORITY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
    unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_FONT_DPI
    while read -r name; do unset "$name"; done < <(compgen -e | grep '^QT_QUICK_' || true)
    export QT_QPA_PLATFORM=xcb
    unset XDG_SESSION_TYPE
    # GTK programs under test (a tray host) do without the accessibility bus.
    export NO_AT_BRIDGE=1
    # A desktop session runs a sound server; without one, the sound library the browser
    # engine loads makes a runtime folder of its own for a server it would start.
    export PULSE_SERVER="unix:$E2E_TMP/no-sound-server"
    export QT_LOGGING_RULES='qt.qpa.*=false'
    # A sanitized build reports leaks of its libraries that are known and not the program's.
    export LSAN_OPTIONS="suppressions=$E2E_LIB_DIR/../lsan.supp:print_suppressions=0"
}

# Stops one PID: TERM, up to ~2 s of grace, then KILL.
e2e_stop() {
    local pid=$1 i
    kill -TERM "$pid" 2>/dev/null || return 0
    for i in $(seq 40); do
        e2e_not_running "$pid" && break
        e2e_sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

e2e_cleanup() {
    local i
    # Newest first: the program, then trayer, then Xvfb.
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        e2e_stop "${E2E_PIDS[i]}"
    done
    E2E_PIDS=()
    [ -n "${E2E_TMP:-}" ] && rm -rf "$E2E_TMP"
}

# Waits until COMMAND succeeds, polling every E2E_POLL seconds for at most SECONDS.
e2e_wait_for() {
    local seconds=$1; shift
    local deadline=$((${EPOCHREALTIME/./} + seconds * 1000000))
    until "$@"; do
        ((${EPOCHREALTIME/./} >= deadline)) && return 1
        e2e_sleep "$E2E_POLL"
    done
}

# Starts a private Xvfb (a free display number is picked by the server) and exports DISPLAY.
e2e_start_x() {
    local file="$E2E_TMP/display"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$file" >/dev/null 2>&1 &
    E2E_PIDS+=("$!")
    e2e_wait_for 10 test -s "$file" || { e2e_log "Xvfb did not start"; return 1; }
    DISPLAY=":$(cat "$file")"
    export DISPLAY
}

e2e_wm_up() { [[ $(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null) == *"window id"* ]]; }

# Starts openbox as the window manager of the display, as every desktop has one: it frames the
# windows, places them where they ask, stacks them and gives them the focus. Its own settings
# are the package's (none of a home folder).
e2e_start_wm() {
    mkdir -p "$E2E_TMP/openbox"
    XDG_CONFIG_HOME="$E2E_TMP/openbox" XDG_CACHE_HOME="$E2E_TMP/openbox" openbox --sm-disable >/dev/null 2>&1 &
    WM_PID=$!
    E2E_PIDS+=("$WM_PID")
    e2e_wait_for 10 e2e_wm_up || { e2e_log "openbox did not start"; return 1; }
}

e2e_tray_up() { xdotool search --class trayer >/dev/null 2>&1; }

# Starts trayer as the notification area of the display, along the top edge, which it reserves
# from the windows as a panel does (a window manager then keeps windows below it).
e2e_start_tray() {
    trayer --edge top --align right --widthtype request --height 24 --SetPartialStrut true >/dev/null 2>&1 &
    TRAY_PID=$!
    E2E_PIDS+=("$TRAY_PID")
    e2e_wait_for 15 e2e_tray_up || { e2e_log "trayer did not start"; return 1; }
}

# Starts a private D-Bus session bus and exports its address; a second call replaces the first.
e2e_start_session_bus() {
    local address="$E2E_TMP/bus-address" pid="$E2E_TMP/bus-pid"
    [ -n "${E2E_BUS_PID:-}" ] && e2e_stop "$E2E_BUS_PID"
    rm -f "$address" "$pid"
    dbus-daemon --session --nofork --print-address=5 --print-pid=6 5>"$address" 6>"$pid" 2>/dev/null &
    E2E_BUS_PID=$!
    E2E_PIDS+=("$E2E_BUS_PID")
    e2e_wait_for 10 test -s "$address" || { e2e_log "dbus-daemon did not start"; return 1; }
    DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$address")
    export DBUS_SESSION_BUS_ADDRESS
}

# Gives the next program its own config, home and a fresh 0700 runtime folder under DIR.
e2e_sandbox() {
    local dir=$1
    mkdir -p "$dir/config" "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    export XDG_CONFIG_HOME="$dir/config" HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime"
}

# Writes the account store: e2e_seed_store ID0 PW0 ID1 PW1 ... (slot order).
e2e_seed_store() {
    local file="$XDG_CONFIG_HOME/YRMLD.conf" slot=0 ids='[ID]' pws='[PW]'
    while [ $# -ge 2 ]; do
        ids+=$'\n'"ID$slot=$1"
        pws+=$'\n'"PW$slot=$2"
        slot=$((slot + 1))
        shift 2
    done
    printf '%s\n\n%s\n' "$ids" "$pws" >"$file"
}

# Puts a fake xdg-open (also used as BROWSER) first on PATH; it appends its arguments to
# E2E_URL_LOG.
e2e_fake_browser() {
    local bin="$E2E_TMP/bin"
    mkdir -p "$bin"
    E2E_URL_LOG="$E2E_TMP/opened-urls"
    : >"$E2E_URL_LOG"
    printf '#!/bin/sh\necho "$*" >>"%s"\n' "$E2E_URL_LOG" >"$bin/xdg-open"
    chmod +x "$bin/xdg-open"
    export PATH="$bin:$PATH" BROWSER="$bin/xdg-open"
}

# Starts the program in the background; its output is appended to E2E_APP_LOG.
e2e_start_program() {
    "$@" >>"${E2E_APP_LOG:-$E2E_TMP/app.log}" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
}

# The program's visible windows by id, one a line (not its engine helper's, whose windows carry
# the program's class too).
e2e_app_window_ids() {
    xdotool search --all --onlyvisible --pid "$APP_PID" --class "$E2E_APP_CLASS" 2>/dev/null
}

# Prints "ID X Y W H" for each visible window of the program.
e2e_app_windows() {
    local win X Y WIDTH HEIGHT SCREEN WINDOW
    for win in $(e2e_app_window_ids); do
        HEIGHT=
        eval "$(xdotool getwindowgeometry --shell "$win" 2>/dev/null)"
        [ -n "$HEIGHT" ] && echo "$win $X $Y $WIDTH $HEIGHT"
    done
}

# Finds the docked icon: the program's visible window of 32 px or less.
e2e_find_icon() {
    local win x y w h
    while read -r win x y w h; do
        if ((w <= 32 && h <= 32)); then
            ICON_WIN=$win ICON_X=$x ICON_Y=$y ICON_W=$w ICON_H=$h
            return 0
        fi
    done < <(e2e_app_windows)
    return 1
}

# Succeeds when window WIN sits inside trayer's panel (the icon is embedded over XEmbed).
e2e_docked_in_tray() {
    local win=$1 panels parent i
    panels=" $(xdotool search --class trayer 2>/dev/null | tr '\n' ' ') "
    for i in 1 2 3 4 5; do
        parent=$(xwininfo -children -id "$win" 2>/dev/null | awk '/Parent window id:/ { print $4 }')
        [ -n "$parent" ] && [ "$parent" != 0x0 ] || return 1
        [[ "$panels" == *" $((parent)) "* ]] && return 0
        win=$parent
    done
    return 1
}

e2e_wait_icon() { e2e_wait_for "${1:-10}" e2e_find_icon; }

e2e_icon_gone() { ! xwininfo -id "$ICON_WIN" 2>/dev/null | grep -q 'IsViewable'; }

e2e_settings_window() { xdotool search --limit 1 --onlyvisible --name "$E2E_SETTINGS_TITLE" 2>/dev/null; }
# The first visible window whose title matches NAME (a regular expression).
e2e_window_named() { xdotool search --limit 1 --onlyvisible --name "$1" 2>/dev/null; }
e2e_settings_shown() { e2e_settings_window >/dev/null; }
e2e_settings_hidden() { ! e2e_settings_shown; }

# Presses BUTTON (1 left, 3 right) on the icon COUNT times in quick succession (default 1; 2 is
# a double click), keeping gestures ~450 ms apart so that two never merge into a double click.
e2e_click_icon() {
    local button=$1 count=${2:-1} wait
    wait=$((E2E_LAST_ICON_PRESS + 450 - ${EPOCHREALTIME/./} / 1000))
    [ "$wait" -gt 0 ] && printf -v wait '0.%03d' "$wait" && e2e_sleep "$wait"
    xdotool mousemove $((ICON_X + ICON_W / 2)) $((ICON_Y + ICON_H / 2)) click --repeat "$count" --delay 80 "$button"
    E2E_LAST_ICON_PRESS=$((${EPOCHREALTIME/./} / 1000))
}

# Succeeds when window WIN is a tooltip, as the tray icon's notification balloon is.
e2e_is_tooltip() { xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP; }

# The program's popups are its visible windows other than the icon, the settings window and
# notification balloons.
e2e_popups() {
    local settings win
    settings=$(e2e_settings_window)
    for win in $(e2e_app_window_ids); do
        [ "$win" != "${ICON_WIN:-}" ] && [ "$win" != "$settings" ] && ! e2e_is_tooltip "$win" && echo "$win"
    done
    return 0
}

# Waits for a popup not in BEFORE (a list of window ids), at most SECONDS (default 5), and sets
# MENU_WIN to it.
#   e2e_wait_new_popup BEFORE [SECONDS]
e2e_wait_new_popup() {
    local before=" ${1//$'\n'/ } " win
    local deadline=$((${EPOCHREALTIME/./} + ${2:-5} * 1000000))
    while ((${EPOCHREALTIME/./} < deadline)); do
        for win in $(e2e_popups); do
            if [[ "$before" != *" $win "* ]]; then
                MENU_WIN=$win
                e2e_sleep 0.1 # let it paint
                return 0
            fi
        done
        e2e_sleep "$E2E_POLL"
    done
    return 1
}

# Opens the tray menu with BUTTON (default 3) and waits for it to show. It opens below the
# pointer on trayer's top panel, so its entries show reversed: ログイン first, 終了 last.
e2e_open_menu() {
    local before
    before=$(e2e_popups)
    e2e_click_icon "${1:-3}"
    e2e_wait_new_popup "$before"
}

# Sends KEYS to the open menu, then waits for a new submenu to show.
e2e_open_submenu() {
    local before
    before=$(e2e_popups)
    e2e_keys "$@"
    e2e_wait_new_popup "$before"
}

# Every window on the display that is mapped, by id.
e2e_visible_windows() {
    xdotool search --onlyvisible --name --class --classname '.*' 2>/dev/null
}

e2e_keys() { xdotool key --delay 60 "$@"; }

e2e_no_popups() { [ -z "$(e2e_popups)" ]; }

# Waits until every popup of the program has closed.
e2e_wait_popups_closed() { e2e_wait_for 5 e2e_no_popups; }

# Prints "X Y W H" of window WIN: where the window itself (inside any frame) lies on the screen
# and its size. (xdotool's geometry puts a framed window off by its frame.)
e2e_window_box() {
    local line x= y= w= h=
    # (xwininfo without a window waits for a click on one.)
    [ -n "$1" ] || return 1
    while read -r line; do
        case $line in
            "Absolute upper-left X:"*) x=$((${line##*:})) ;;
            "Absolute upper-left Y:"*) y=$((${line##*:})) ;;
            "Width:"*) w=$((${line##*:})) ;;
            "Height:"*) h=$((${line##*:})) ;;
        esac
    done < <(xwininfo -id "$1" 2>/dev/null)
    [ -n "$h" ] && echo "$x $y $w $h"
}

# Prints "X Y W H" of window WIN's frame: the window with the frame that the window manager
# reports around it (none without a window manager).
e2e_frame_box() {
    local x y w h extents left=0 right=0 top=0 bottom=0
    read -r x y w h < <(e2e_window_box "$1") || return 1
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null)
    [[ $extents == *=* ]] && IFS=', ' read -r left right top bottom <<<"${extents#*= }"
    echo "$((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))"
}

# Succeeds once the window manager has framed window WIN (it reports the frame's extents).
e2e_framed() { [[ $(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null) == *=* ]]; }

# Prints "X Y W H" of the free area of the screen, what the panels leave to windows, as the
# window manager reports it.
e2e_free_area() {
    local area x y w h
    area=$(xprop -root _NET_WORKAREA 2>/dev/null)
    [[ $area == *=* ]] || return 1
    IFS=', ' read -r x y w h _ <<<"${area#*= }"
    echo "$x $y $w $h"
}

# Clicks the left button at X Y within window WIN (the window itself, inside any frame).
#   e2e_click_in WIN X Y
e2e_click_in() {
    local x y _
    read -r x y _ < <(e2e_window_box "$1")
    xdotool mousemove $((x + $2)) $((y + $3)) click 1
}

# Screenshot of the whole display, or of window WIN when given.
e2e_screenshot() {
    local out=$1 win=${2:-} x y w h
    if [ -z "$win" ]; then
        import -window root "$out"
        return
    fi
    read -r x y w h < <(e2e_window_box "$win")
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
}

# Waits at most SECONDS for PID to end and sets EXIT_STATUS to its status; fails on timeout.
e2e_wait_exit() {
    local pid=$1 seconds=${2:-5}
    EXIT_STATUS=
    e2e_wait_for "$seconds" e2e_not_running "$pid" || return 1
    wait "$pid"
    EXIT_STATUS=$?
}

# Succeeds when PID has ended (an unreaped child counts as ended).
e2e_not_running() {
    local stat
    kill -0 "$1" 2>/dev/null || return 0
    read -r stat <"/proc/$1/stat" 2>/dev/null || return 0
    [[ $stat == *") Z "* ]]
}

# The process PID and all its descendants, one a line. Read from /proc by the shell itself, as
# e2e_tree_pss_kb is, so that a benchmark can look many times a second even on a busy machine.
e2e_tree_pids() {
    local pids=("$1") i=0 file children
    while [ "$i" -lt "${#pids[@]}" ]; do
        for file in /proc/"${pids[i]}"/task/*/children; do
            children=()
            read -ra children 2>/dev/null <"$file"
            pids+=("${children[@]}")
        done
        i=$((i + 1))
    done
    printf '%s\n' "${pids[@]}"
}

# The proportional memory (kB) of the process tree of PID: each page shared among its processes
# counted once over all of them (the browser engine's processes share most of their code, which
# resident sizes count in each).
e2e_tree_pss_kb() {
    local pid files=()
    for pid in $(e2e_tree_pids "$1"); do files+=("/proc/$pid/smaps_rollup"); done
    cat "${files[@]}" 2>/dev/null | awk '/^Pss:/ { kb += $2 } END { print kb + 0 }'
}

# Test results: check DESCRIPTION COMMAND... runs one check and prints "ok - ... # N ms" or
# "not ok - ..."; a check explains a failure with fail MESSAGE (a "#   " line, status 1);
# e2e_summary prints the closing "N passed, N failed" line and fails on any.
E2E_PASSED=0
E2E_FAILED=0
check() {
    local description=$1; shift
    local t0; t0=$(e2e_now_ms)
    if "$@"; then
        echo "ok - $description  # $(($(e2e_now_ms) - t0)) ms"
        E2E_PASSED=$((E2E_PASSED + 1))
    else
        echo "not ok - $description"
        E2E_FAILED=$((E2E_FAILED + 1))
    fi
}
fail() { echo "#   $*"; return 1; }
e2e_summary() {
    echo "$E2E_PASSED passed, $E2E_FAILED failed"
    [ "$E2E_FAILED" -eq 0 ]
}
