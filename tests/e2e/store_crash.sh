#!/usr/bin/env bash
# Crash safety of the account store. The real program, started with 100 accounts on a private
# Xvfb without a notification area (so its settings window shows at (0, 0)), deletes and moves
# rows through its buttons as a person would, and is killed with SIGKILL at random moments:
# half of the trials at a random time after the first command starts, the other half at the
# moment the program first writes in its configuration folder (the new store file, before it
# takes the old one's place) plus a random delay of up to 10 ms. After every trial the store
# must read as the list before the trial or as the list after one of the commands given in it
# (nothing lost, nothing listed twice, every ID with its own password) and the file must be
# valid; then the next trial starts the program afresh on it.
#
# Usage: store_crash.sh PROGRAM STORECHECK [TRIALS [SEED]]
# The seed is printed; give it again to replay the same commands and kill times.
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 PROGRAM STORECHECK [TRIALS [SEED]]" >&2
    exit 2
fi
BIN=$(realpath "$1")
CHECK=$(realpath "$2")
TRIALS=${3:-60}
SEED=${4:-$(( $(date +%s%N) % 32768 ))}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
e2e_init
# Killed programs print nothing; a clean end is checked at the end, without leak reports.
export ASAN_OPTIONS=detect_leaks=0
RANDOM=$SEED
echo "# seed $SEED, $TRIALS trials (replay: $0 PROGRAM STORECHECK $TRIALS $SEED)"

# Where things are on the settings window at 96 DPI: the list's first row, 削除, ▼ and ▲.
# A row is chosen by clicking the first one and going down with the arrow key, whatever the
# height of a row in the desktop's font; rows 0..7 show without scrolling.
ROW_X=60 ROW_Y0=44 VISIBLE_ROWS=8
DELETE_X=200 DELETE_Y=147
DOWN_X=180 DOWN_Y=163
UP_X=220 UP_Y=163
BOX_TITLE='^Yorumi@Livedoor$'

STORE=
LIST=()       # the account numbers in slot order, as the store holds them
STATES=()     # the lists a trial may leave: before it and after each command given
APP_LOG=

seed_store() {
    local slot ids='[ID]' pws='[PW]'
    for slot in $(seq 0 99); do
        ids+=$'\n'"ID$slot=id$(printf %03d "$slot")"
        pws+=$'\n'"PW$slot=pw$(printf %03d "$slot")"
    done
    printf '%s\n\n%s\n' "$ids" "$pws" >"$STORE"
    mapfile -t LIST < <(seq 0 99)
}

inode() { stat -c %i "$STORE" 2>/dev/null; }
alive() { ! e2e_not_running "$APP_PID"; }
box_shown() { xdotool search --onlyvisible --name "$BOX_TITLE" >/dev/null 2>&1; }

# Waits until the store file was replaced (the command's change reached the disk) or the
# program is gone, at most 5 s.
command_done() { [ "$(inode)" != "$1" ] || ! alive; }

click() { xdotool mousemove "$1" "$2" click 1 2>/dev/null; }

# Gives one command and adds its description to DONE and the list it leads to to STATES.
give_command() {
    local count=${#LIST[@]} visible kind row before t downs
    visible=$((count < VISIBLE_ROWS ? count : VISIBLE_ROWS))
    case $((RANDOM % 5)) in
        0 | 1) kind=delete; row=$((RANDOM % 3 == 0 ? RANDOM % visible : 0)) ;;
        2) kind=up; row=$((1 + RANDOM % (visible - 1))) ;;
        *) kind=down; row=$((RANDOM % (visible - 1))) ;;
    esac
    case $kind in
        delete) LIST=("${LIST[@]:0:row}" "${LIST[@]:row+1}") ;;
        up) t=${LIST[row - 1]}; LIST[row - 1]=${LIST[row]}; LIST[row]=$t ;;
        down) t=${LIST[row + 1]}; LIST[row + 1]=${LIST[row]}; LIST[row]=$t ;;
    esac
    STATES+=("${LIST[*]}")
    DONE+="$kind row $row; "

    before=$(inode)
    alive || return 1
    click $ROW_X $ROW_Y0
    downs=()
    for ((t = 0; t < row; t++)); do downs+=(Down); done
    ((row > 0)) && xdotool key "${downs[@]}" 2>/dev/null
    case $kind in
        delete)
            click $DELETE_X $DELETE_Y
            e2e_wait_for 5 box_shown || return 1
            xdotool key Return 2>/dev/null
            ;;
        up) click $UP_X $UP_Y ;;
        down) click $DOWN_X $DOWN_Y ;;
    esac
    e2e_wait_for 5 command_done "$before" || { DONE+="(no change within 5 s) "; return 1; }
    alive
}

# The program of one trial: not a job of this shell, so that its death by SIGKILL is not
# reported; on the list of what lib.sh stops at exit only while it runs.
start_trial_program() {
    "$BIN" >>"$APP_LOG" 2>&1 &
    APP_PID=$!
    disown "$APP_PID"
    E2E_PIDS+=("$APP_PID")
}
end_trial_program() {
    kill -KILL "$APP_PID" 2>/dev/null
    e2e_wait_for 10 e2e_not_running "$APP_PID"
    unset 'E2E_PIDS[-1]'
}

WORST_LAG=0
WORST_TRIAL=
LEFTOVER_TRIALS=0
KILLED_WRITING=0
FAILED=0

run_trial() {
    local trial=$1 commands delay killer report line status found=-1 i lag survived leftovers kill_text
    [ ${#LIST[@]} -lt 20 ] && seed_store
    STATES=("${LIST[*]}")
    DONE=

    start_trial_program
    if ! e2e_wait_for 20 e2e_settings_shown; then
        echo "not ok - trial $trial: the settings window did not show within 20 s"
        tail -n 20 "$APP_LOG" | sed 's/^/#   /'
        FAILED=$((FAILED + 1))
        end_trial_program
        return
    fi
    e2e_sleep 0.2 # the window takes input once it has been painted

    commands=$((1 + RANDOM % 3))
    if ((trial % 2)); then
        # Up to 10 ms, most of the trials within the first millisecond, where the program
        # writes its new file and puts it in place.
        delay=$((RANDOM % (10 ** (1 + RANDOM % 4))))
        "$CHECK" kill-on-write "$APP_PID" "$delay" >"$E2E_TMP/killer" 2>&1 &
        killer=$!
        e2e_wait_for 5 grep -q armed "$E2E_TMP/killer"
        kill_text="killed ${delay} us after its first write"
    else
        delay=$((RANDOM % 900))
        (sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
            kill -KILL "$APP_PID" 2>/dev/null) &
        killer=$!
        kill_text="killed ${delay} ms after the first command began"
    fi
    for ((i = 0; i < commands; i++)); do
        give_command || break
    done
    { wait "$killer"; } 2>/dev/null
    if ((trial % 2)); then
        if grep -q '^killed' "$E2E_TMP/killer"; then
            KILLED_WRITING=$((KILLED_WRITING + 1))
            kill_text+=" ($(sed -n 's/^killed after a change of //p' "$E2E_TMP/killer") changed first)"
        else
            kill_text+=" (it wrote nothing)"
        fi
    fi
    : >"$E2E_TMP/killer"
    end_trial_program

    report=$("$CHECK" list 2>"$E2E_TMP/check.err")
    status=$?
    { read -r line; read -r _ leftovers; } <<<"$report"
    for i in "${!STATES[@]}"; do
        [ "LIST ${STATES[i]}" = "$line" ] && found=$i
    done
    if [ "$status" -ne 0 ] || [ "$found" -lt 0 ]; then
        echo "not ok - trial $trial: ${DONE}${kill_text}"
        sed 's/^/#   /' "$E2E_TMP/check.err"
        [ "$found" -lt 0 ] && echo "#   the store holds neither the list before the trial nor one after a command"
        echo "#   store:     ${line#LIST }"
        for i in "${!STATES[@]}"; do echo "#   allowed $i: ${STATES[i]}"; done
        FAILED=$((FAILED + 1))
        # Go on from a sound store.
        seed_store
        return
    fi
    lag=$((${#STATES[@]} - 1 - found))
    survived="the store as after $found of $((${#STATES[@]} - 1)) commands"
    if [ -n "$leftovers" ]; then
        survived+=", files left beside it: $leftovers"
        LEFTOVER_TRIALS=$((LEFTOVER_TRIALS + 1))
        (cd "$(dirname "$STORE")" && for f in $leftovers; do rm -f -- "$f"; done)
    fi
    echo "ok - trial $trial: ${DONE}${kill_text}: ${survived}"
    if [ $lag -gt "$WORST_LAG" ] || [ -z "$WORST_TRIAL" ]; then
        WORST_LAG=$lag
        WORST_TRIAL="trial $trial: ${DONE}${kill_text}: ${survived}"
    fi
    read -r -a LIST <<<"${line#LIST }"
}

# ---------------------------------------------------------------------------------------------

started=$(e2e_now_ms)
e2e_start_x || exit 1
e2e_sandbox "$E2E_TMP/user"
STORE="$XDG_CONFIG_HOME/YRMLD.conf"
APP_LOG="$E2E_TMP/app.log"
E2E_APP_LOG=$APP_LOG
seed_store

for trial in $(seq 1 "$TRIALS"); do
    run_trial "$trial"
done

# A last fresh start, in a notification area this time: the program starts on the store the
# trials left and ends cleanly through its tray menu's 終了.
final_ok=0
: >"$APP_LOG"
export ASAN_OPTIONS=detect_leaks=1
e2e_start_tray || exit 1
e2e_start_program "$BIN"
if e2e_wait_icon 20 && e2e_open_menu 3; then
    e2e_keys Up Return
    if e2e_wait_exit "$APP_PID" 20 && [ "$EXIT_STATUS" -eq 0 ]; then
        final_ok=1
    fi
fi
if [ $final_ok -eq 1 ] && ! grep -Eq 'AddressSanitizer|LeakSanitizer|runtime error:' "$APP_LOG"; then
    echo "ok - a last start docks in the notification area and 終了 ends it with status 0"
else
    echo "not ok - a last start and 終了 (exit status ${EXIT_STATUS:-none})"
    tail -n 20 "$APP_LOG" | sed 's/^/#   /'
    FAILED=$((FAILED + 1))
fi
"$CHECK" list >/dev/null 2>"$E2E_TMP/check.err" || {
    echo "not ok - the store after the last start"; sed 's/^/#   /' "$E2E_TMP/check.err"; FAILED=$((FAILED + 1)); }

echo "# $TRIALS trials in $((($(e2e_now_ms) - started) / 1000)) s, seed $SEED; $KILLED_WRITING killed while writing,"
echo "# $LEFTOVER_TRIALS left files beside the store; worst surviving state: ${WORST_TRIAL:-none}"
echo "# $FAILED failed"
[ $FAILED -eq 0 ]
