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
    # A finding of any one kind counts; the other target still runs.
    found=$(find "$work" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \))
    if [ -n "$found" ]; then
        printf 'Fuzzing %s found a fault; the input is in\n%s\n' "$target" "$found" >&2
        status=1
    fi
done
exit "${status:-0}"
