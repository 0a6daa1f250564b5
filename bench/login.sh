#!/usr/bin/env bash
# What a login costs: CPU of the process tree during a login against a page that answers
# after 5 s, the time a login adds to its page loads, and resident memory before and after
# the browser engine starts. Release build, private Xvfb, local fake portal.
exec "$(dirname "$0")/release-run.sh" login_bench bench/login_bench "$@"
