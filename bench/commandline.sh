#!/usr/bin/env bash
# What accounts in and the command line cost: an import of 100 rows from a Chromium CSV with the
# passwords in the store and in a keyring answering at once, and the round trips of
# `yorumi-livedoor --login` and `--list` to a running program, beside the same login in the
# program. Release build, private Xvfb, local fake portal.
#
# YORUMI_BENCH_SHORT=1: one round of each instead of 10 (CTest runs it so on the debug build's
# commandline_bench, given by YORUMI_BENCH_PROGRAM: see release-run.sh). It fails when an
# import, a login or a request fails.
exec "$(dirname "$0")/release-run.sh" commandline_bench bench/commandline_bench "$@"
