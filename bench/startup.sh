#!/usr/bin/env bash
# Start-up time and memory of yorumi-livedoor with a full store (100 accounts).
#
# Usage: bench/startup.sh [PATH-TO-yorumi-livedoor]
# Default: build/release/src/yorumi-livedoor, built with the release preset when missing.
# YORUMI_BENCH_SHORT=1: one run instead of 5, without the verdicts against the targets (CTest
# runs it so on the debug build: it fails when a run cannot be made or a figure read, never on
# a figure).
#
# Each of the 5 runs gets its own Xvfb, trayer and store, and measures:
#   dock ms    time from exec until trayer takes the icon in (stamped by a passive xev)
#   seen ms    time from exec until a poll of trayer's panel from outside finds the icon
#   cpu ms     the program's own CPU time at that point (less sensitive to other load)
#   idle MB    VmRSS about 1 s after the icon docked
#   menu MB    VmRSS after the tray menu was opened once (right press) and closed (Escape)
#   hwm MB     VmHWM (peak resident) just before the program is ended by 終了
#   peak MB    maximum resident size over the whole run, from /usr/bin/time -v
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
RUNS=5
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && RUNS=1
TARGET_ICON_MS=300
TARGET_IDLE_MB=60

BIN=${1:-$ROOT/build/release/src/yorumi-livedoor}
if [ $# -eq 0 ] && [ ! -x "$BIN" ]; then
    echo "# building the release preset" >&2
    (cd "$ROOT" && cmake --preset release >/dev/null && cmake --build --preset release) >&2 || exit 1
fi
[ -x "$BIN" ] || { echo "no program at $BIN" >&2; exit 1; }
BIN=$(realpath "$BIN")
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }

# shellcheck source-path=SCRIPTDIR/..
source "$ROOT/tests/e2e/lib.sh"
e2e_init
# `read -t` on a fifo nobody writes to is a sleep without starting a process.
mkfifo "$E2E_TMP/nap"
exec {NAP_FD}<>"$E2E_TMP/nap"

now_us() { local t=${EPOCHREALTIME/./}; echo "$t"; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
hwm_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
mb() { awk -v kb="$1" 'BEGIN { printf "%.1f", kb / 1024 }'; }

# A full store: 100 IDs with distinct passwords.
seed_full_store() {
    local args=() slot
    for slot in $(seq 0 99); do
        args+=("user$(printf %03d "$slot")" "Pw-$slot-$RANDOM$RANDOM")
    done
    e2e_seed_store "${args[@]}"
}

# Prints a microsecond stamp for every window taken away from the root window; the
# program's first one is its icon being docked into trayer.
stamp_reparents() {
    local line
    while IFS= read -r line; do
        [[ $line == ReparentNotify* ]] && now_us
    done
}

# Succeeds once the program's window sits in trayer's panel.
icon_in_panel() { [[ $(xwininfo -tree -id "$PANEL" 2>/dev/null) == *"\"$E2E_APP_CLASS\""* ]]; }

# One run; appends "dock_ms seen_ms cpu_ms idle_kb menu_kb hwm_kb peak_kb status" to $E2E_TMP/results.
bench_run() {
    local run=$1 start seen deadline pid timepid dock_ms seen_ms cpu_ns cpu_ms idle menu hwm peak figure
    local stamps="$E2E_TMP/reparent$run"
    E2E_PIDS=()
    e2e_start_x || return 1
    e2e_start_tray || return 1
    PANEL=$(xdotool search --name '^panel$' | head -n1)
    e2e_sandbox "$E2E_TMP/run$run"
    seed_full_store
    # A passive observer of the root window stamps the docking as it happens.
    stdbuf -oL xev -root -event substructure 2>/dev/null > >(stamp_reparents >"$stamps") &
    E2E_PIDS+=("$!")
    sleep 0.5

    start=$(now_us)
    /usr/bin/time -v -o "$E2E_TMP/time$run" "$BIN" >"$E2E_TMP/app$run.log" 2>&1 &
    timepid=$!
    E2E_PIDS+=("$timepid")
    # Poll from outside too; each poll costs one xwininfo (a few ms), then a 5 ms nap.
    deadline=$((start + 10000000))
    until icon_in_panel; do
        [ "$(now_us)" -lt "$deadline" ] || { echo "# run $run: no icon within 10 s" >&2; return 1; }
        read -r -t 0.005 -u "$NAP_FD"
    done
    seen=$(now_us)
    # The program is /usr/bin/time's child; lib.sh looks for its windows by APP_PID, and a run
    # that fails stops it first.
    pid=$(pgrep -P "$timepid" | head -n1)
    [ -n "$pid" ] || { echo "# run $run: the program's process was not found" >&2; return 1; }
    APP_PID=$pid
    E2E_PIDS+=("$pid")
    # On-CPU time so far (ns): unlike the wall-clock times, it hardly depends on other load.
    read -r cpu_ns _ <"/proc/$pid/schedstat" || { echo "# run $run: no CPU time" >&2; return 1; }
    e2e_wait_for 2 test -s "$stamps" || { echo "# run $run: the docking was not observed" >&2; return 1; }
    dock_ms=$(( ($(head -n1 "$stamps") - start + 500) / 1000 ))
    seen_ms=$(( (seen - start + 500) / 1000 ))
    cpu_ms=$(( (cpu_ns + 500000) / 1000000 ))

    e2e_wait_icon 5 || { echo "# run $run: icon is not a visible 22x22 window" >&2; return 1; }
    sleep 1
    idle=$(rss_kb "$pid")

    e2e_open_menu 3 || { echo "# run $run: menu did not open" >&2; return 1; }
    e2e_keys Escape
    e2e_wait_popups_closed
    sleep 0.5
    menu=$(rss_kb "$pid")
    hwm=$(hwm_kb "$pid")

    e2e_open_menu 3 || { echo "# run $run: menu did not open to end the program" >&2; return 1; }
    e2e_keys Up Return
    e2e_wait_exit "$timepid" 10 || { echo "# run $run: still running after 終了" >&2; return 1; }
    [ "$EXIT_STATUS" -eq 0 ] || { echo "# run $run: exit status $EXIT_STATUS after 終了" >&2; return 1; }
    peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$E2E_TMP/time$run")
    for figure in "$cpu_ns" "$idle" "$menu" "$hwm" "$peak"; do
        [[ $figure =~ ^[0-9]+$ ]] || { echo "# run $run: a figure could not be read" >&2; return 1; }
    done

    e2e_cleanup_run
    echo "$dock_ms $seen_ms $cpu_ms $idle $menu $hwm $peak $EXIT_STATUS" >>"$E2E_TMP/results"
}

# Stops this run's trayer and Xvfb (newest first).
e2e_cleanup_run() {
    local i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do e2e_stop "${E2E_PIDS[i]}"; done
    E2E_PIDS=()
}

echo "binary: $BIN ($(date -r "$BIN" '+%F %T'))"
echo "$RUNS runs, 100 stored accounts each, private Xvfb + trayer; $(nproc) CPUs," \
    "load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
row() { printf '%-6s %8s %8s %8s %8s %8s %8s %8s %6s\n' "$@"; }
row run 'dock ms' 'seen ms' 'cpu ms' 'idle MB' 'menu MB' 'hwm MB' 'peak MB' exit
for run in $(seq "$RUNS"); do
    if ! bench_run "$run"; then
        e2e_cleanup_run
        echo "run $run failed; the program's output:" >&2
        cat "$E2E_TMP/app$run.log" >&2 2>/dev/null
        exit 1
    fi
    read -r dock seen cpu idle menu hwm peak status < <(tail -n1 "$E2E_TMP/results")
    row "$run" "$dock" "$seen" "$cpu" "$(mb "$idle")" "$(mb "$menu")" "$(mb "$hwm")" "$(mb "$peak")" \
        "$status"
done

# Median and maximum of column N of the results.
median() { cut -d' ' -f"$1" "$E2E_TMP/results" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
maximum() { cut -d' ' -f"$1" "$E2E_TMP/results" | sort -n | tail -n1; }

for stat in median maximum; do
    row "${stat:0:3}" "$($stat 1)" "$($stat 2)" "$($stat 3)" "$(mb "$($stat 4)")" \
        "$(mb "$($stat 5)")" "$(mb "$($stat 6)")" "$(mb "$($stat 7)")"
done
echo
echo "dock ms: exec until trayer took the icon (ReparentNotify seen by a passive xev)"
echo "seen ms: exec until a poll of trayer's panel (xwininfo, then 5 ms nap) found it"
echo "cpu ms:  the program's own on-CPU time when it was seen docked (/proc/PID/schedstat)"
echo "hwm MB:  VmHWM just before 終了; peak MB: maximum resident size from /usr/bin/time -v"
echo "         (on this kernel the rusage figure reads a few hundred kB below VmHWM)"
echo

echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine skews the times)"
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && exit 0
verdict() { [ "$1" -lt "$2" ] && echo met || echo MISSED; }
echo "target: icon under ${TARGET_ICON_MS} ms (dock ms):" \
    "median $(median 1) ms $(verdict "$(median 1)" "$TARGET_ICON_MS")," \
    "max $(maximum 1) ms $(verdict "$(maximum 1)" "$TARGET_ICON_MS")"
target_kb=$((TARGET_IDLE_MB * 1024))
echo "target: idle under ${TARGET_IDLE_MB} MB (idle MB):" \
    "median $(mb "$(median 4)") MB $(verdict "$(median 4)" "$target_kb")," \
    "max $(mb "$(maximum 4)") MB $(verdict "$(maximum 4)" "$target_kb")"
