#!/usr/bin/env bash
# Runs a test of the label long (a full count of trials) only when YORUMI_TEST_LONG=1, as
# `./test.sh --long` sets it; otherwise it is reported as skipped (exit status 77).
# Usage: long-only.sh PROGRAM [ARGUMENTS...]
if [ "${YORUMI_TEST_LONG:-}" != 1 ]; then
    echo "SKIPPED: a long test; ./test.sh --long runs it"
    exit 77
fi
exec "$@"
