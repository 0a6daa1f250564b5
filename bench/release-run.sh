#!/usr/bin/env bash
# Builds TARGET of the release build with its tests and benchmarks (build/bench), and runs it
# on a private Xvfb: figures without AddressSanitizer, whose own memory and time would blur
# them.
#
# Usage: bench/release-run.sh TARGET PATH-IN-build/bench [ARGUMENTS...]
# YORUMI_BENCH_PROGRAM=PATH runs the TARGET found there instead, as it is (CTest gives the debug
# build's own), without building anything.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { echo "usage: $0 TARGET PATH-IN-build/bench [ARGUMENTS...]" >&2; exit 2; }
target=$1
program=${YORUMI_BENCH_PROGRAM:-build/bench/$2}
shift 2

if [ -z "${YORUMI_BENCH_PROGRAM:-}" ]; then
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null
    cmake --build build/bench --target "$target" yorumi-browser >/dev/null
fi

runtime=$(mktemp -d)
chmod 700 "$runtime"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$runtime/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do [ -s "$runtime/display" ] && break; sleep 0.05; done
[ -s "$runtime/display" ] || { echo "$0: Xvfb did not start" >&2; exit 1; }

DISPLAY=":$(cat "$runtime/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$runtime" \
    QT_LOGGING_RULES="qt.webenginecontext.info=false;qt.qpa.*=false" "$program" "$@"
