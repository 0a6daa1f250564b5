#!/usr/bin/env bash
# Bad stored data and the real program: for each damaged, hand-written or unreadable store the
# program starts into its notification area (within 20 s: it neither crashes nor hangs) and is
# ended, through the tray menu's 終了 (and for some cases by SIGTERM). Afterwards the store is
# byte for byte what it was, still the same file (not replaced by an equal copy), and nothing
# new lies beside it. On a private Xvfb with trayer.
#
# Usage: store_baddata.sh PROGRAM
set -u

if [ $# -ne 1 ]; then
    echo "usage: $0 PROGRAM" >&2
    exit 2
fi
BIN=$(realpath "$1")
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# shellcheck source-path=SCRIPTDIR
source "$HERE/lib.sh"
e2e_init
NOBODY=65534
# The stores are made readable by their owner only, as the program keeps them: a store of the
# user's that others may read is narrowed when it is read, which would count as a change here.
umask 077

PASSED=0
FAILED=0

# What a path is: its kind, mode, size and inode, where a link points, a file's checksum and
# a folder's entries; and the entries of the folder it lies in.
fingerprint() {
    local path=$1
    stat -c '%F %a %s %i' "$path" 2>&1
    [ -L "$path" ] && echo "link to $(readlink "$path")"
    [ -f "$path" ] && ! [ -L "$path" ] && sha256sum <"$path"
    [ -d "$path" ] && ls -A "$path"
    ls -A "$(dirname "$path")"
}

# Damaged stores, each written by a function of that name into $1.
commas() { printf '[ID]\nID0=a,b\nID1=c, d\n[PW]\nPW0=a,b\nPW1="x", "y"\nPW2=x;y\n' >"$1"; }
invalid_utf8() { printf '[ID]\nID0=\xff\xfe\nID1=ok\xc3\n[PW]\nPW0=\xc3\x28\nPW1=\x80\n' >"$1"; }
nul_bytes() { printf '[ID]\nID0=a\0b\n\0\0\nID1=c\n[PW]\nPW0=p\0\nPW1=q\n' >"$1"; }
value_of_1mb() {
    { printf '[ID]\nID0=big\n[PW]\nPW0='; head -c 1048576 /dev/zero | tr '\0' v; printf '\n'; } >"$1"
}
keys_10000() {
    awk 'BEGIN { print "[ID]"; for (i = 0; i < 10000; i++) printf "ID%d=id%d\n", i, i;
                 print "[PW]"; for (i = 0; i < 10000; i++) printf "PW%d=pw%d\n", i, i }' >"$1"
}
keys_past_99() {
    awk 'BEGIN { print "[ID]"; for (i = 100; i < 105; i++) printf "ID%d=id%d\n", i, i;
                 print "[PW]"; for (i = 100; i < 105; i++) printf "PW%d=pw%d\n", i, i }' >"$1"
}
binary() { python3 -c 'import random, sys; random.seed(7); sys.stdout.buffer.write(random.randbytes(65536))' >"$1"; }
empty() { : >"$1"; }
unparsable() { printf 'garbage\n[ID]\nID0=a\nno equals sign\n[PW\nPW0=p\n' >"$1"; }
comments() { printf '; my accounts\n[ID]\n  ID0 = a ; not a comment\n\n[PW]\nPW0=pa\n' >"$1"; }
crlf() { printf '[ID]\r\nID0=a\r\n[PW]\r\nPW0=p' >"$1"; }
folder() { mkdir "$1"; }
named_pipe() { mkfifo "$1"; }
dangling_link() { ln -s "$(dirname "$1")/gone/accounts.conf" "$1"; }
looping_link() { ln -s "$(basename "$1")" "$1"; }
too_large() { keys_past_99 "$1"; printf '[ID]\nID0=a\n[PW]\nPW0=p\n' >>"$1"; truncate -s 17M "$1"; }
unreadable() { printf '[ID]\nID0=a\n[PW]\nPW0=p\n' >"$1"; chmod 000 "$1"; }

# run_case NAME HOW: HOW is "quit" (the tray menu's 終了) or "term" (SIGTERM).
run_case() {
    local name=$1 how=$2 dir store before after runner=()
    dir="$E2E_TMP/$name-$how"
    e2e_sandbox "$dir"
    store="$XDG_CONFIG_HOME/YRMLD.conf"
    "$name" "$store"
    if [ "$name" = unreadable ] && [ "$(id -u)" -eq 0 ]; then
        # Root reads every file: the program runs as another user, who owns the folders.
        chmod o+x "$E2E_TMP"
        chown -R "$NOBODY:$NOBODY" "$dir"
        runner=(setpriv --reuid="$NOBODY" --regid="$NOBODY" --clear-groups --)
    fi
    before=$(fingerprint "$store")
    E2E_APP_LOG="$dir/app.log"
    : >"$E2E_APP_LOG"
    e2e_start_program "${runner[@]}" "$BIN"

    e2e_wait_icon 20 || fail "no tray icon within 20 s" || return 1
    sleep 0.3
    e2e_not_running "$APP_PID" && { fail "the program ended by itself"; return 1; }
    if [ "$how" = quit ]; then
        e2e_open_menu 3 || fail "the tray menu did not open" || return 1
        e2e_keys Up Return
        e2e_wait_exit "$APP_PID" 20 || fail "still running 20 s after 終了" || return 1
        [ "$EXIT_STATUS" -eq 0 ] || fail "ended with status $EXIT_STATUS" || return 1
    else
        kill -TERM "$APP_PID"
        e2e_wait_exit "$APP_PID" 20 || fail "still running 20 s after SIGTERM" || return 1
        [ "$EXIT_STATUS" -eq 143 ] || fail "ended with status $EXIT_STATUS, not by SIGTERM" || return 1
    fi
    after=$(fingerprint "$store")
    [ "$after" = "$before" ] || { fail "the store changed:"; diff <(echo "$before") <(echo "$after") | sed 's/^/#     /'; return 1; }
    ! grep -Eq 'AddressSanitizer|LeakSanitizer|runtime error:' "$E2E_APP_LOG" ||
        { fail "sanitizer reports:"; head -n 20 "$E2E_APP_LOG" | sed 's/^/#     /'; return 1; }
}

check() {
    local description=$1; shift
    local t0; t0=$(e2e_now_ms)
    APP_PID=
    if "$@"; then
        echo "ok - $description  # $(($(e2e_now_ms) - t0)) ms"
        PASSED=$((PASSED + 1))
    else
        echo "not ok - $description"
        FAILED=$((FAILED + 1))
    fi
    # The case's program is gone before the next one starts, and off the list of what is
    # stopped at exit (its number may be reused).
    if [ -n "$APP_PID" ] && [ "${E2E_PIDS[-1]}" = "$APP_PID" ]; then
        e2e_not_running "$APP_PID" || e2e_stop "$APP_PID"
        unset 'E2E_PIDS[-1]'
    fi
}

started=$(e2e_now_ms)
e2e_start_x || exit 1
e2e_start_tray || exit 1

check "unquoted commas and semicolons: 終了 leaves the store as it was" run_case commas quit
check "unquoted commas and semicolons: SIGTERM leaves the store as it was" run_case commas term
check "invalid UTF-8" run_case invalid_utf8 quit
check "NUL bytes" run_case nul_bytes quit
check "a 1 MB value" run_case value_of_1mb quit
check "10,000 keys" run_case keys_10000 quit
check "keys past 99 only" run_case keys_past_99 quit
check "a binary file" run_case binary quit
check "an empty file" run_case empty quit
check "lines QSettings cannot parse (its FormatError)" run_case unparsable quit
check "lines QSettings cannot parse, SIGTERM" run_case unparsable term
check "comments and odd spacing" run_case comments quit
check "CRLF line ends, no line end at the end" run_case crlf quit
check "a folder where the file should be" run_case folder quit
check "a named pipe where the file should be (opening it would wait forever)" run_case named_pipe quit
check "a dangling link" run_case dangling_link quit
check "a link that loops" run_case looping_link quit
check "a 17 MB file" run_case too_large quit
check "a file the user may not read" run_case unreadable quit

echo "# took $(($(e2e_now_ms) - started)) ms"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
