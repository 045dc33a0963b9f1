#!/usr/bin/env bash
# Installs what is missing, builds Korvane with AddressSanitizer and UndefinedBehaviorSanitizer, runs
# every test, and checks the formatting. Exit status 0 only when all of it passes.
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ qt6-base-dev libgtest-dev libbenchmark-dev clang-format xvfb xauth)
# The fuzz smoke run needs clang's fuzzer runtime when clang is on the machine.
if command -v clang++ >/dev/null 2>&1; then
    major=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
    if [ -n "$major" ]; then
        packages+=("libclang-rt-$major-dev")
    fi
fi
scripts/ensure-packages.sh "${packages[@]}"

build=${KORVANE_TEST_BUILD_DIR:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
(cd "$build" && ctest --output-on-failure --timeout 300)

echo "Checking formatting"
git ls-files -- src tests bench fuzz | grep -E '\.(cpp|h)$' | xargs -r clang-format --dry-run --Werror

if [ -x fuzz/run.sh ] && command -v clang++ >/dev/null 2>&1; then
    fuzz/run.sh 20
fi
echo "All tests passed."
