#!/usr/bin/env bash
# What a login costs: CPU of the process tree during a login against a page that answers
# after 5 s, the time a login adds to its page loads, and resident memory before and after
# the browser engine starts. Release build, private Xvfb, local fake portal.
#
# YORUMI_BENCH_SHORT=1: one round of each measure instead of 10 and 3 (CTest runs it so on the
# debug build's login_bench, given by YORUMI_BENCH_PROGRAM: see release-run.sh). It fails when
# a login, a page load or a figure fails.
exec "$(dirname "$0")/release-run.sh" login_bench bench/login_bench "$@"
