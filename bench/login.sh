#!/usr/bin/env bash
# What a login costs: CPU of the process tree during a login against a page that answers
# after 5 s, the time a login adds to its page loads, and resident memory before and after
# the browser engine starts. Release build, private Xvfb, local fake portal.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DYORUMI_BENCH=ON >/dev/null
cmake --build build/bench --target login_bench >/dev/null

runtime=$(mktemp -d)
chmod 700 "$runtime"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$runtime/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do [ -s "$runtime/display" ] && break; sleep 0.05; done

DISPLAY=":$(cat "$runtime/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$runtime" \
    QT_LOGGING_RULES="qt.webenginecontext.info=false" build/bench/bench/login_bench
