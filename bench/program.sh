# shellcheck shell=bash disable=SC2034  # (sets BIN and E2E_POLL for the bench that sources it)
# The program an end-to-end bench measures, from the repository's top folder:
#   bench_program [PATH-TO-yorumi-livedoor]
# sets BIN to the program given, run as it is (its engine helper built beside it), or to the
# release build's, built with its engine helper first.
# The full form's figures are taken by the end-to-end library's looks (tests/e2e/lib.sh): one
# every 20 ms.
[ "${YORUMI_BENCH_SHORT:-}" = 1 ] || E2E_POLL=0.02
bench_program() {
    if [ $# -eq 0 ]; then
        cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null &&
            cmake --build build/bench --target yorumi-livedoor yorumi-browser >/dev/null || return 1
    fi
    BIN=$(realpath "${1:-build/bench/src/yorumi-livedoor}")
}
