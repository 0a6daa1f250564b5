#!/usr/bin/env bash
# The soak test (300 logins and logouts, 20 tray logins at once, 300 list edits) on a release
# build, where resident memory is the program's own. Its figures are printed at the end.
# YORUMI_SOAK_RUNS=2000 asks for a longer run of logins and logouts.
# (A long run outlasts the test library's five minutes per test function.)
#
# Arguments go to the test (e.g. a test function's name). YORUMI_BENCH_SHORT=1 only lists the
# test's functions, to see that this script still starts it: CTest runs the soak itself as the
# test tst_soak (label soak), and this short form on the debug build's tst_soak, given by
# YORUMI_BENCH_PROGRAM (see release-run.sh).
export QTEST_FUNCTION_TIMEOUT=${QTEST_FUNCTION_TIMEOUT:-3600000}
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] && set -- -functions "$@"
exec "$(dirname "$0")/release-run.sh" tst_soak tests/tst_soak "$@"
