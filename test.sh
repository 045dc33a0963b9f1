#!/usr/bin/env bash
# Installs what is missing, builds Korvane with AddressSanitizer and UndefinedBehaviorSanitizer, runs
# every test, and checks the formatting. Exit status 0 only when all of it passes.
set -euo pipefail
cd "$(dirname "$0")"

# What the build, the tests, the formatting check and the fuzz smoke run use: clang builds the fuzz
# targets, and its fuzzer runtime comes in the package of its own major version.
scripts/ensure-packages.sh cmake ninja-build g++ qt6-base-dev libgit2-dev libssl-dev pkg-config libgtest-dev clang-format clang
major=$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
scripts/ensure-packages.sh "libclang-rt-$major-dev"

# The TiddlyWiki 5 real-client tests (label realclient) load merged wikis with TiddlyWiki itself, run by
# node, and boot them in headless chromium. TiddlyWiki comes from npm, pinned, into a cache folder.
# Some machines have a Node.js package that brings npm along; Debian's own needs its npm package.
scripts/ensure-packages.sh nodejs chromium
command -v npm > /dev/null || scripts/ensure-packages.sh npm
tw5_version=5.4.1
export KORVANE_TW5_DIR=${KORVANE_TW5_DIR:-$HOME/.cache/korvane-tw5}
if [ "$(node -p 'require(process.argv[1]).version' "$KORVANE_TW5_DIR/node_modules/tiddlywiki/package.json" 2>/dev/null)" \
    != "$tw5_version" ]; then
    npm install --prefix "$KORVANE_TW5_DIR" --no-audit --no-fund --no-save "tiddlywiki@$tw5_version"
fi

# The merge-tool test drives the desktop program on a virtual display with a window manager.
scripts/ensure-packages.sh xvfb xauth openbox xdotool

build=${KORVANE_TEST_BUILD_DIR:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
(cd "$build" && ctest --output-on-failure --timeout 300)

echo "Checking formatting"
git ls-files -- src tests bench fuzz | grep -E '\.(cpp|h)$' | xargs -r clang-format --dry-run --Werror

fuzz/run.sh 20

# The Windows program, cross-built with mingw-w64 and tested under wine (takes minutes).
if [ "${KORVANE_WINDOWS:-0}" = 1 ]; then
    KORVANE_LINUX_CLI="$(cd "$build" && pwd)/korvane-cli" KORVANE_LINUX_DESKTOP="$(cd "$build" && pwd)/korvane" \
        scripts/build-windows.sh
fi
echo "All tests passed."
