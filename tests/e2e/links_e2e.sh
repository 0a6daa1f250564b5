#!/usr/bin/env bash
# End to end: with リンクを既定のブラウザで開く ticked, the settings window's サイト > 趣味 > コスプレ,
# chosen with the keyboard on a real X display, hands http://www.livedoor.com/r/cure to the
# default browser.
#
#   links_e2e.sh <program> [artefact folder]
#
# Starts its own Xvfb and no notification area, so the program shows its settings window at
# (0, 0). A fake xdg-open first on PATH (and as BROWSER) records what it is given.
set -euo pipefail

program=$(realpath "$1")
artefacts=$(realpath "${2:-.}")
expected='http://www.livedoor.com/r/cure'

work=$(mktemp -d)
pids=()
stop() {
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT
fail() {
    echo "links_e2e: $*" >&2
    import -window root "$artefacts/links_e2e-failure.png" 2>/dev/null || true
    echo "links_e2e: screen saved as $artefacts/links_e2e-failure.png" >&2
    exit 1
}
# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# A private user: home, configuration, runtime folder and the fake browser.
mkdir -p "$work/home" "$work/config" "$work/runtime" "$work/bin"
chmod 700 "$work/runtime"
captured="$work/opened.txt"
for name in xdg-open browser; do
    cat >"$work/bin/$name" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$captured"
EOF
    chmod +x "$work/bin/$name"
done
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
printf '[Links]\nInDefaultBrowser=true\n' >"$work/config/yorumi-livedoor.conf"
export PATH="$work/bin:$PATH" BROWSER="$work/bin/browser"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_CURRENT_DESKTOP DESKTOP_SESSION
export QT_QPA_PLATFORM=xcb QT_LOGGING_RULES='qt.qpa.*=false'
# The sanitizer build ends by a signal here: leak reports would be noise.
export ASAN_OPTIONS=detect_leaks=0

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"

"$program" >"$work/program.log" 2>&1 &
pids+=($!)

find_window() {
    window=$(xdotool search --onlyvisible --name '^ライブドアID設定画面$' 2>/dev/null | head -n1)
    [ -n "$window" ]
}
wait_for 100 find_window || { cat "$work/program.log" >&2; fail "the settings window did not show"; }
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X" -eq 0 ] && [ "$Y" -eq 0 ] || fail "settings window at ($X, $Y), not at (0, 0)"

# The program sets its window icon.
has_icon() { xprop -id "$window" _NET_WM_ICON | grep -q '_NET_WM_ICON(CARDINAL) = '; }
wait_for 50 has_icon || fail "the settings window has no icon"

# No window manager runs: give the window the keyboard focus directly.
xdotool windowfocus --sync "$window"
# Alt+G opens サイト(&G) with トップ selected; 趣味 is three entries down, コスプレ is the
# eleventh entry of 趣味.
xdotool key --delay 150 alt+g
xdotool key --delay 100 Down Down Down Right
xdotool key --delay 100 Down Down Down Down Down Down Down Down Down Down
xdotool key Return

wait_for 100 test -s "$captured" || fail "no page was handed to the browser"
opened=$(cat "$captured")
[ "$opened" = "$expected" ] || fail "opened '$opened', expected '$expected'"
# Nothing else happened: the window is still there.
find_window || fail "the settings window went away"
echo "links_e2e: opened $opened"
