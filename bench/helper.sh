#!/usr/bin/env bash
# What the engine helper costs: memory before any login, while the helper runs and 5 s after
# it ended for idleness; cold and warm login times; CPU of a warm login. Release build, private
# Xvfb, local fake portal.
#
# Usage: bench/helper.sh [IDLE-END-SECONDS]   (default 60, the program's own)
exec "$(dirname "$0")/release-run.sh" helper_bench bench/helper_bench "$@"
