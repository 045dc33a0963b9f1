#!/usr/bin/env bash
# Cross-builds korvane.exe (the desktop program), korvane-cli.exe and the core tests for 64-bit Windows
# with mingw-w64, packs the archive korvane-VERSION-windows-x64.zip, and runs the tests and the
# archive's programs under wine. Takes minutes the first time, and about 35 minutes more for Qt: it
# installs the cross compiler and wine, and builds libgit2 (with PCRE2 and http-parser, which libgit2
# needs to link), OpenSSL's libcrypto (for encrypted wikis) and a static Qt from Debian's source
# packages, since Debian ships no Windows build of them.
#   scripts/build-windows.sh [--build-only | --qt-only]
# The desktop program and Qt are built with KORVANE_WINDOWS_DESKTOP=1; --qt-only builds the libraries
# and Qt and stops there.
# The build goes to $KORVANE_WINDOWS_BUILD_DIR (build-win), the .exe files and the .zip into that folder. The
# TiddlyWiki 5 checks need node and TiddlyWiki as test.sh installs them; with KORVANE_LINUX_CLI naming
# the Linux korvane-cli, the Windows program must write the same merged wiki byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${KORVANE_WINDOWS_BUILD_DIR:-build-win}
mkdir -p "$build"
build=$(cd "$build" && pwd)
third=$build/third-party
prefix=$third/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake

# The cross compiler (POSIX threads, for std::thread), Windows zlib for libgit2, GoogleTest's sources,
# wine64 to run 64-bit Windows programs (no 32-bit packages are needed for those), and a virtual
# display with a window manager and xdotool for the desktop program's test.
scripts/ensure-packages.sh cmake ninja-build g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    libz-mingw-w64-dev googletest wine64 xz-utils xvfb xauth openbox xdotool

# --- libgit2, PCRE2, http-parser and OpenSSL for Windows, from Debian's source packages -----------
# apt-get fetches the sources through a list of its own, made from this machine's Debian lines with
# deb-src in place of deb, so the machine's apt configuration stays as it is.
fetch_sources() {  # fetch_sources FOLDER PACKAGE...: the source packages into FOLDER
    local apt=$third/apt codename into=$1
    shift
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial" "$into"
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] || continue
        # Only Debian's own stanzas: one that names Debian's archive key.
        awk 'BEGIN{RS=""; ORS="\n\n"} /debian-archive-keyring/ {sub(/Types: deb\n/, "Types: deb-src\n"); print}' \
            "$f" > "$apt/parts/$(basename "$f")"
    done
    if [ -e /etc/apt/sources.list ]; then
        sed -n 's/^deb \(.*debian.*\)$/deb-src \1/p' /etc/apt/sources.list > "$apt/parts/debian-src.list"
    fi
    local opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt/parts"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
    apt-get "${opts[@]}" -qq update
    (cd "$into" && apt-get "${opts[@]}" -qq source --download-only "${@/%//$codename}")
}

unpack() {  # unpack NAME: the folder of NAME's sources
    local dir
    dir=$(find "$third/src" -maxdepth 1 -type d -name "$1-*" | head -n 1)
    if [ -z "$dir" ]; then
        tar -C "$third/src" -xf "$(find "$third/src" -maxdepth 1 -name "${1}_*.orig.tar.*" ! -name "*.asc" | head -n 1)"
        dir=$(find "$third/src" -maxdepth 1 -type d -name "$1-*" | head -n 1)
    fi
    echo "$dir"
}

build_third_party() {
    [ -n "$(find "$third/src" -maxdepth 1 -name 'openssl_*.orig.tar.*' 2>/dev/null)" ] ||
        fetch_sources "$third/src" libgit2 pcre2 http-parser openssl
    local cm=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX="$prefix" -DKORVANE_WINDOWS_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF)
    local pcre2 http git2
    pcre2=$(unpack pcre2)
    cmake -S "$pcre2" -B "$third/build/pcre2" "${cm[@]}" -DPCRE2_BUILD_PCRE2GREP=OFF \
        -DPCRE2_BUILD_TESTS=OFF -DPCRE2_SUPPORT_JIT=OFF -DPCRE2_BUILD_PCRE2_8=ON > /dev/null
    cmake --build "$third/build/pcre2" --target install > /dev/null

    # http-parser is one C file; libgit2 looks for it as a library with its header.
    http=$(unpack http-parser)
    mkdir -p "$prefix/include" "$prefix/lib"
    x86_64-w64-mingw32-gcc-posix -O2 -c "$http/http_parser.c" -o "$third/http_parser.o"
    x86_64-w64-mingw32-ar rcs "$prefix/lib/libhttp_parser.a" "$third/http_parser.o"
    cp "$http/http_parser.h" "$prefix/include/"

    git2=$(unpack libgit2)
    cmake -S "$git2" -B "$third/build/libgit2" "${cm[@]}" -Wno-dev -DBUILD_TESTS=OFF -DBUILD_CLI=OFF \
        -DUSE_HTTPS=OFF -DUSE_SSH=OFF -DUSE_NTLMCLIENT=OFF -DUSE_WINHTTP=OFF -DUSE_ICONV=OFF \
        -DREGEX_BACKEND=pcre2 -DUSE_HTTP_PARSER=system -DUSE_SHA1=CollisionDetection \
        -DUSE_SHA256=Builtin -DUSE_BUNDLED_ZLIB=OFF -DCMAKE_C_FLAGS=-DPCRE2_STATIC > /dev/null
    cmake --build "$third/build/libgit2" --target install > /dev/null

    # libcrypto only, static, no tests or documentation; its own build system, made for mingw.
    local ssl
    ssl=$(unpack openssl)
    (cd "$ssl" && ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- --prefix="$prefix" \
        --libdir=lib no-shared no-tests no-engine no-module > /dev/null &&
        make -j"$(nproc)" build_libs > /dev/null && make install_dev > /dev/null)
    touch "$prefix/.complete"
}

# A prefix made before OpenSSL was part of it is made again.
[ -e "$prefix/.complete" ] && [ -e "$prefix/lib/libcrypto.a" ] || build_third_party

# --- Qt for Windows, static, from Debian's source package ------------------------------------------
# Debian's own Qt (the same version) gives the host tools (moc, rcc, uic); the Windows libraries are
# built here once. Only what the desktop program uses: Core, Gui, Widgets, the Windows platform
# plugin and its styles, and Test for the UI tests; the offscreen plugin (which needs FreeType) runs
# those tests without a display. Debian's repacked source has no tablet SDK header, so tablet events
# are off; the Windows plugin does not compile without OpenGL, so OpenGL stays on; and it does not
# link without Gui's Direct2D parts (its DirectWrite font database needs them), so those stay on too.
# Qt's build takes about 35 minutes of two idle cores, so it is kept outside the build folder, where a
# fresh clone finds it: $KORVANE_QT_CACHE (~/.cache/korvane/qt6-windows). The prefix is made again
# only when the version or these options change. With KORVANE_QT_DEADLINE (seconds since 1970) the
# build stops at that time and goes on from where it stopped at the next run; until it is whole, the
# desktop program is left out and the script says so.
qt_cache=${KORVANE_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvane/qt6-windows}
qt_prefix=$qt_cache/prefix
qt_options=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_harfbuzz=OFF
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_doubleconversion=OFF)
# Returns 3 when the deadline came first.
build_qt() {
    local version stamp src qt_build=$qt_cache/build seconds
    version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
    stamp="$version ${qt_options[*]}"
    [ -e "$qt_prefix/.complete" ] && [ "$(cat "$qt_prefix/.complete")" = "$stamp" ] && return 0
    if [ ! -e "$qt_build/.configured" ] || [ "$(cat "$qt_build/.configured")" != "$stamp" ]; then
        rm -rf "$qt_cache"
        mkdir -p "$qt_cache/src"
        fetch_sources "$qt_cache/src" qt6-base
        tar -C "$qt_cache/src" -xf "$qt_cache/src/qt6-base_${version%%-*}.orig.tar.xz"
        src=$qt_cache/src/qtbase-everywhere-src-${version%%+*}
        cmake -S "$src" -B "$qt_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
            -DCMAKE_INSTALL_PREFIX="$qt_prefix" -DQT_HOST_PATH=/usr \
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "${qt_options[@]}" \
            > "$qt_cache/configure.log" 2>&1 || { tail -n 40 "$qt_cache/configure.log" >&2; return 1; }
        echo "$stamp" > "$qt_build/.configured"
    fi
    local limit=()
    if [ -n "${KORVANE_QT_DEADLINE:-}" ]; then
        seconds=$((KORVANE_QT_DEADLINE - $(date +%s)))
        [ "$seconds" -gt 60 ] || seconds=1
        limit=(timeout --signal=INT --kill-after=120 "$seconds")
    fi
    echo "Building Qt $version for Windows into $qt_cache ($(ninja -C "$qt_build" -n | grep -c '^\[') steps to go)"
    local started=$SECONDS rc=0
    "${limit[@]}" nice -n 19 ninja -C "$qt_build" -j 2 >> "$qt_cache/build.log" 2>&1 || rc=$?
    echo "Qt's build ran $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s"
    if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
        echo "Qt's build for Windows reached its time limit with $(ninja -C "$qt_build" -n | grep -c '^\[') steps" \
            "to go; the next run goes on from $qt_cache"
        return 3
    fi
    [ "$rc" = 0 ] || { tail -n 40 "$qt_cache/build.log" >&2; return 1; }
    cmake --install "$qt_build" > /dev/null
    echo "$stamp" > "$qt_prefix/.complete"
    du -sh "$qt_prefix" | sed 's/\t.*/ of Qt for Windows installed/'
}
desktop=${KORVANE_WINDOWS_DESKTOP:-0}
[ "${1:-}" = --qt-only ] && desktop=1
if [ "$desktop" = 1 ]; then
    scripts/ensure-packages.sh qt6-base-dev qt6-base-dev-tools
    qt=0
    build_qt || qt=$?
    if [ "$qt" = 3 ]; then
        echo "NOT TESTED: korvane.exe (the desktop program) is left out of this run until Qt is built"
        desktop=0
    elif [ "$qt" != 0 ]; then
        exit "$qt"
    fi
fi
[ "${1:-}" = --qt-only ] && exit 0

# --- korvane.exe, korvane-cli.exe and the tests ----------------------------------------------------
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig
export PKG_CONFIG_SYSROOT_DIR=/
programs=(korvane-cli) ui=(-DKORVANE_BUILD_UI=OFF) tests=(korvane_core_tests korvane_hold_open)
if [ "$desktop" = 1 ]; then
    programs+=(korvane) tests+=(korvane_ui_tests)
    ui=(-DKORVANE_BUILD_UI=ON -DKORVANE_WINDOWS_QT="$qt_prefix" -DCMAKE_PREFIX_PATH="$qt_prefix")
    # A build folder configured with another Qt keeps that Qt's package paths: it is configured anew.
    if grep -q "^Qt6_DIR:PATH=" "$build/CMakeCache.txt" 2> /dev/null &&
        ! grep -qxF "Qt6_DIR:PATH=$qt_prefix/lib/cmake/Qt6" "$build/CMakeCache.txt"; then
        rm -f "$build/CMakeCache.txt"
    fi
fi
# GCC 12 warns wrongly about overlapping copies inside std::string when it inlines them at -O2 and
# above (its bug 105329); the warning says nothing about Korvane's code.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DKORVANE_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Wno-restrict "${ui[@]}" -DKORVANE_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" --target "${programs[@]}" "${tests[@]}"
printf "Built $build/%s.exe\n" "${programs[@]}"

# The archive a person downloads: the programs (korvane.exe, korvane-cli.exe) and README-windows.txt
# in one folder.
version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=$build/korvane-$version-windows-x64.zip
(cd "$build" && rm -f "$zip" && cpack -G ZIP > cpack.log) || { cat "$build/cpack.log" >&2; exit 1; }
echo "Built $zip"
[ "${1:-}" = --build-only ] && exit 0

# --- The tests, as Windows programs under wine ----------------------------------------------------
# A wine setup of its own in the build folder; without Mono and Gecko, which nothing here needs (and
# which wine would otherwise offer to download).
export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wineboot --init > /dev/null 2>&1 || true
# Every wine program of this run shares one wine server; it ends once the last one has.
# TiddlyWiki's encryption vectors are written by node here, since node is no Windows program.
node tests/tw5/vectors.js "$build/vectors.tsv"
(cd "$build" && KORVANE_SJCL_VECTORS=$(winepath -w "$build/vectors.tsv" 2>/dev/null) \
    wine ./korvane_core_tests.exe --gtest_brief=1)
tests/windows/wine-tests.sh "$build" ${KORVANE_LINUX_CLI:+"$KORVANE_LINUX_CLI"}
# The windows' tests on Qt's offscreen platform, and the desktop program on a virtual display.
if [ "$desktop" = 1 ]; then
    (cd "$build" && QT_QPA_PLATFORM=offscreen wine ./korvane_ui_tests.exe --gtest_brief=1)
    tests/windows/desktop-wine.sh "$build"
fi
# The archive's program, unpacked as a person would, runs by itself.
unpacked=$(mktemp -d) && trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$zip")
[ -e "$unpacked/korvane-$version-windows-x64/README-windows.txt" ] || { echo "FAIL: no README-windows.txt in $zip"; exit 1; }
for program in "${programs[@]}"; do
    [ -e "$unpacked/korvane-$version-windows-x64/$program.exe" ] || { echo "FAIL: no $program.exe in $zip"; exit 1; }
    said=$(wine "$unpacked/korvane-$version-windows-x64/$program.exe" --version | tr -d '\r')
    [ "$said" = "$program $version" ] || { echo "FAIL: the archive's $program.exe --version said: $said"; exit 1; }
done
# git-setup names the desktop program beside it as git's merge tool.
if [ "$desktop" = 1 ]; then
    tool=$(wine "$unpacked/korvane-$version-windows-x64/korvane-cli.exe" git-setup | tr -d '\r' | grep '^\s*cmd = ')
    case $tool in *'korvane-'$version'-windows-x64\\korvane.exe'"'"' /local '*) ;;
        *) echo "FAIL: git-setup's merge tool is not the korvane.exe beside it: $tool"; exit 1 ;; esac
fi
# Nothing beside them: each .exe holds its libraries.
extra=$(cd "$unpacked/korvane-$version-windows-x64" && ls | grep -vxE 'korvane(-cli)?\.exe|README-windows\.txt' || true)
[ -z "$extra" ] || { echo "FAIL: the archive holds more than the programs and their README: $extra"; exit 1; }
echo "The Windows build passed its tests under wine."
