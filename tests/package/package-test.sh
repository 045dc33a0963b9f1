#!/usr/bin/env bash
# The Debian package as a person gets it: scripts/package.sh builds it; unpacked into a throw-away root
# (dpkg -x), its programs say their version, merge the demo trio as the tested korvane-cli does, and
# serve as git's merge driver from their installed paths; the menu entry opens a file as LOCAL;
# lintian finds no error in it, and appstreamcli and desktop-file-validate accept its metadata and
# menu entry.
#   package-test.sh KORVANE_CLI     (the build's own korvane-cli, whose merge the package must repeat)
# With KORVANE_PACKAGE_INSTALL=1, as root, it also installs the package with dpkg -i, checks that
# git-setup writes /usr/bin paths, and removes it with dpkg -r (only where no korvane is installed).
set -euo pipefail
tested=$1
cd "$(dirname "$0")/../.."
fail() { echo "FAIL: $*" >&2; exit 1; }
scripts/ensure-packages.sh lintian appstream desktop-file-utils libglib2.0-bin git
# The Debian package only: the Windows archive is built and tested by scripts/build-windows.sh.
deb=$(KORVANE_WINDOWS=0 scripts/package.sh | sed -n 's/^Built \(.*\.deb\)$/\1/p')
[ -f "$deb" ] || fail "scripts/package.sh named no package"
version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(basename "$deb")" = "korvane_${version}_$(dpkg --print-architecture).deb" ] || fail "named $deb"
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
root=$work/root

# What the package holds and needs: dpkg-shlibdeps found the libraries' packages.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libgit2 libqt6widgets6 libssl3 libstdc++6; do
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
dpkg-deb -x "$deb" "$root"
for f in bin/korvane bin/korvane-cli share/applications/korvane.desktop \
    share/icons/hicolor/scalable/apps/korvane.svg share/icons/hicolor/256x256/apps/korvane.png \
    share/man/man1/korvane.1.gz share/man/man1/korvane-cli.1.gz share/doc/korvane/copyright \
    share/doc/korvane/changelog.Debian.gz share/metainfo/org.example.korvane.metainfo.xml; do
    [ -f "$root/usr/$f" ] || fail "the package has no /usr/$f"
done
grep -qx 'MimeType=text/html;' "$root/usr/share/applications/korvane.desktop" || fail "the menu entry opens no .html"
changelog=$(zcat "$root/usr/share/doc/korvane/changelog.Debian.gz")
[[ $changelog == "korvane ($version) "* ]] || fail "the changelog's first entry is not $version"
desktop-file-validate "$root/usr/share/applications/korvane.desktop"
# "Open with" on a file starts korvane /local FILE /remote; the menu starts it with no arguments.
mkdir "$work/fake" && printf '#!/bin/sh\nprintf "[%%s]" "$@" > "$0.args"\n' > "$work/fake/korvane" && chmod +x "$work/fake/korvane"
opened() {  # opened [FILE]: the arguments the menu entry gave korvane
    rm -f "$work/fake/korvane.args"
    PATH=$work/fake:$PATH gio launch "$root/usr/share/applications/korvane.desktop" "$@"
    for _ in $(seq 50); do [ -e "$work/fake/korvane.args" ] && break; sleep 0.1; done
    cat "$work/fake/korvane.args"
}
[ "$(opened "$work/my wiki.html")" = "[/local][$work/my wiki.html][/remote]" ] || fail "Open with: $(opened "$work/my wiki.html")"
[ "$(opened)" = "[]" ] || fail "the menu started korvane with $(opened)"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.korvane.metainfo.xml" > "$work/as.out" ||
    fail "appstreamcli: $(cat "$work/as.out")"
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" > "$work/lintian.out" ||
    fail "lintian: $(cat "$work/lintian.out")"
grep -E '^(W|E):' "$work/lintian.out" || true

# The installed programs, from the throw-away root.
bin=$root/usr/bin
[ "$("$bin/korvane" --version)" = "korvane $version" ] || fail "korvane --version"
[ "$("$bin/korvane-cli" --version)" = "korvane-cli $version" ] || fail "korvane-cli --version"
mkdir "$work/demo" && "$bin/korvane" --write-demo "$work/demo"
cd "$work/demo"
merge() { "$1" merge /local local.html /remote remote.html /lastmerge unedited.html --conflicts both --out "$2" > /dev/null 2>&1; }
status=0 && merge "$bin/korvane-cli" installed.html || status=$?
expected=0 && merge "$tested" tested.html || expected=$?
[ "$status" = "$expected" ] && [ "$status" -le 1 ] || fail "merge exit $status, the tested program's $expected"
cmp -s installed.html tested.html || fail "the installed program merged the demo trio otherwise"

# git's merge driver: git-setup names the installed programs, and git runs the driver from there.
export HOME=$work GIT_CONFIG_NOSYSTEM=1
unset XDG_CONFIG_HOME
git init -q -b main "$work/repo" && cd "$work/repo" && git config user.name Ann && git config user.email a@b.org
"$bin/korvane-cli" git-setup --apply > /dev/null 2>&1
[ "$(git config merge.korvane.driver)" = "$bin/korvane-cli merge-driver %O %A %B %P %L %X %Y" ] ||
    fail "driver: $(git config merge.korvane.driver)"
[[ "$(git config mergetool.korvane.cmd)" == "$bin/korvane /local "* ]] || fail "tool: $(git config mergetool.korvane.cmd)"
# Two tiddlers on neighbouring lines, one changed on each branch: git's line merge would conflict.
wiki() { printf '<html><body>\n<div id="storeArea">\n<div tiddler="A" modified="200601011200">%s</div>\n<div tiddler="B" modified="200601011200">%s</div>\n</div>\n</body></html>\n' "$1" "$2" > wiki.html; }
wiki a b && git add -A && git commit -qm base
git checkout -qb one && wiki a1 b && git commit -qam one
git checkout -q main && wiki a b2 && git commit -qam two
git merge -q -m merged one > "$work/merge.out" 2>&1 || fail "the driver did not merge: $(cat "$work/merge.out")"
grep -q '>a1<' wiki.html && grep -q '>b2<' wiki.html || fail "merged wiki: $(cat wiki.html)"

# Installed for real: git-setup names /usr/bin.
if [ "${KORVANE_PACKAGE_INSTALL:-0}" = 1 ] && [ "$(id -u)" = 0 ] && ! dpkg -s korvane > /dev/null 2>&1; then
    dpkg -i "$deb" > /dev/null
    (cd "$work/repo" && korvane-cli git-setup --apply > /dev/null 2>&1)
    dpkg -r korvane > /dev/null
    [ "$(git config merge.korvane.driver)" = "/usr/bin/korvane-cli merge-driver %O %A %B %P %L %X %Y" ] ||
        fail "installed driver: $(git config merge.korvane.driver)"
    [[ "$(git config mergetool.korvane.cmd)" == "/usr/bin/korvane /local "* ]] || fail "installed tool"
    echo "Installed with dpkg -i, git-setup --apply wrote /usr/bin paths; removed with dpkg -r."
fi
echo "The package passed."
