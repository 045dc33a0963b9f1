#!/usr/bin/env bash
# Installs what is missing, builds Korvane with AddressSanitizer and UndefinedBehaviorSanitizer, runs
# every test, and checks the formatting. Exit status 0 only when all of it passes.
set -euo pipefail
cd "$(dirname "$0")"

# What the build, the tests, the formatting check and the fuzz smoke run use: clang builds the fuzz
# targets, and its fuzzer runtime comes in the package of its own major version.
scripts/ensure-packages.sh cmake ninja-build g++ qt6-base-dev libgtest-dev clang-format clang
major=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
scripts/ensure-packages.sh "libclang-rt-$major-dev"

build=${KORVANE_TEST_BUILD_DIR:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
(cd "$build" && ctest --output-on-failure --timeout 300)

echo "Checking formatting"
git ls-files -- src tests bench fuzz | grep -E '\.(cpp|h)$' | xargs -r clang-format --dry-run --Werror

fuzz/run.sh 20
echo "All tests passed."
