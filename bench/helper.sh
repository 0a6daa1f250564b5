#!/usr/bin/env bash
# What the engine helper costs: memory before any login, while the helper runs and 5 s after
# it ended for idleness; cold and warm login times; CPU of a warm login. Release build, private
# Xvfb, local fake portal.
#
# Usage: bench/helper.sh [IDLE-END-SECONDS]   (default 60, the program's own)
# YORUMI_BENCH_SHORT=1: one warm login a round and a 2 s idle end unless one is given (CTest
# runs it so on the debug build's helper_bench, given by YORUMI_BENCH_PROGRAM: see
# release-run.sh). It fails when a login, the helper's idle end or a figure fails.
exec "$(dirname "$0")/release-run.sh" helper_bench bench/helper_bench "$@"
