#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (fuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each for SECONDS, starting from the seed corpus in fuzz/corpus/.
#   fuzz/run.sh SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS}
build=${KORVANE_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DKORVANE_FUZZ=ON -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_UI=OFF -DKORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target korvane_fuzz_parser korvane_fuzz_merge
for target in parser merge; do
    work="fuzz/corpus-work/$target"
    mkdir -p "$work"
    echo "Fuzzing $target for ${seconds}s"
    # New inputs go to the work folder; the committed seeds stay as they are.
    "$build/korvane_fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
        -rss_limit_mb=4096 -artifact_prefix="$work/" "$work" "fuzz/corpus/$target" 2>&1 |
        grep -E '^(stat::|Done|==|SUMMARY|.*invariant broken)' || true
    if ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* >/dev/null 2>&1; then
        echo "Fuzzing $target found a fault; the input is in $work" >&2
        exit 1
    fi
done
