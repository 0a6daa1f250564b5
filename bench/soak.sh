#!/usr/bin/env bash
# The soak test (300 logins and logouts, 20 tray logins at once, 300 list edits) on a release
# build, where resident memory is the program's own. Its figures are printed at the end.
exec "$(dirname "$0")/release-run.sh" tst_soak tests/tst_soak "$@"
