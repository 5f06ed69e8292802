#!/usr/bin/env bash
# Installs what is missing, checks that the code is formatted, builds a Debug build with AddressSanitizer
# and UndefinedBehaviorSanitizer, runs every test, runs the tests of the threaded code under
# ThreadSanitizer, then gives each fuzz target a short run.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh test
scripts/check-format.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset debug
cmake --build --preset debug -j "$jobs"
# Qt tests need no display.
QT_QPA_PLATFORM=offscreen ctest --preset debug -j "$jobs"

# The threaded code (folder cursor, read-ahead, walk) again under ThreadSanitizer: only the two test
# programs that hold it are built.
if [ "${DUSTREL_SKIP_TSAN:-0}" != 1 ]; then
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan -j "$jobs"
    ctest --preset tsan -j "$jobs"
fi

if [ "${DUSTREL_SKIP_FUZZ:-0}" != 1 ] && [ -f fuzz/CMakeLists.txt ]; then
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j "$jobs"
    for fuzzer in build/fuzz/bin/*Fuzz; do
        [ -x "$fuzzer" ] || continue
        echo "== $(basename "$fuzzer"): ${DUSTREL_FUZZ_SECONDS:-10} s"
        corpus=$(mktemp -d)
        "$fuzzer" -max_total_time="${DUSTREL_FUZZ_SECONDS:-10}" -print_final_stats=0 "$corpus" 2>&1 | tail -n 2
        rm -rf "$corpus"
    done
fi
echo "All tests passed."
