#!/usr/bin/env bash
# Times one whole Korvane merge run against the I/O floor and git merge-file on the same generated trio.
#   bench/compare.sh [TIDDLERS] [--later-format | --tw5]   (default 50000; KORVANE_BUILD_DIR picks an
#   existing build). --tw5: a TiddlyWiki 5 page with a JSON store and a 2 MB $:/core plugin.
# Each figure is the median of five runs. The last line reads: korvane/io=X korvane/git=Y cli/io=Z out/io=W
set -euo pipefail
cd "$(dirname "$0")/.."
n=50000
format=()
for arg in "$@"; do
    case "$arg" in
        --later-format) format=(--later-format) ;;
        --tw5) format=(--tw5) ;;
        *) n=$arg ;;
    esac
done
build=${KORVANE_BUILD_DIR:-}
if [ -z "$build" ]; then
    build=build-bench
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_UI=OFF >/dev/null
    cmake --build "$build" --target korvane_trio_gen korvane_merge_bench korvane-cli >/dev/null
fi
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
mkdir -p "$work/trio" "$work/run"
"$build/korvane_trio_gen" "$n" "$work/trio" "${format[@]}"

now() { date +%s%N; }
median() { sort -n | sed -n 3p; }
fresh_copy() {
    chmod -R u+w "$work/run"
    rm -rf "$work/run"
    cp -r "$work/trio" "$work/run"
    sync
}

korvane=() io=() git=() cli=() out=()
for round in 1 2 3 4 5; do
    fresh_copy
    t0=$(now)
    "$build/korvane_merge_bench" "$work/run" 2> "$work/bench.log" ||
        { echo "korvane_merge_bench could not merge the generated trio:" >&2; tail -n 5 "$work/bench.log" >&2; exit 1; }
    t1=$(now)
    korvane+=($(( (t1 - t0) / 1000 )))

    # The headless companion on the same trio: decisions by rule, the same guarded save of three files.
    fresh_copy
    t0=$(now)
    "$build/korvane-cli" merge /local "$work/run/local.html" /remote "$work/run/remote.html" \
        /lastmerge "$work/run/unedited.html" > /dev/null 2>&1 || [ $? -eq 1 ]
    t1=$(now)
    cli+=($(( (t1 - t0) / 1000 )))
    fresh_copy
    t0=$(now)
    "$build/korvane-cli" merge /local "$work/run/local.html" /remote "$work/run/remote.html" \
        /lastmerge "$work/run/unedited.html" --out "$work/run/merged.html" > /dev/null 2>&1 || [ $? -eq 1 ]
    t1=$(now)
    out+=($(( (t1 - t0) / 1000 )))

    fresh_copy
    t0=$(now)
    # Read the three files and write three copies, flushed to disk as Korvane flushes its files.
    cat "$work/run/local.html" > "$work/run/out1"
    cat "$work/run/remote.html" > "$work/run/out2"
    cat "$work/run/unedited.html" > "$work/run/out3"
    sync "$work/run/out1" "$work/run/out2" "$work/run/out3"
    t1=$(now)
    io+=($(( (t1 - t0) / 1000 )))

    t0=$(now)
    git merge-file -p "$work/run/local.html" "$work/run/unedited.html" "$work/run/remote.html" > "$work/run/out4" || true
    t1=$(now)
    git+=($(( (t1 - t0) / 1000 )))
done

k=$(printf '%s\n' "${korvane[@]}" | median)
i=$(printf '%s\n' "${io[@]}" | median)
g=$(printf '%s\n' "${git[@]}" | median)
c=$(printf '%s\n' "${cli[@]}" | median)
o=$(printf '%s\n' "${out[@]}" | median)
size=$(stat -c %s "$work/trio/local.html")
echo "korvane runs (ms): $(printf '%s\n' "${korvane[@]}" | awk '{printf "%s%.0f", (NR > 1 ? " " : ""), $1 / 1000}')"
label=""
case "${format[*]}" in --later-format) label=" (later format)" ;; --tw5) label=" (TiddlyWiki 5 JSON store)" ;; esac
awk -v n="$n" -v fmt="$label" -v mb="$((size / 1000000))" -v k="$k" -v i="$i" -v g="$g" -v c="$c" -v o="$o" 'BEGIN {
    printf "%-40s %10s\n", "trio: " n " tiddlers" fmt ", " mb " MB each", "median ms"
    printf "%-40s %10.1f\n", "korvane whole merge run", k / 1000
    printf "%-40s %10.1f\n", "I/O floor (cat x3 + sync)", i / 1000
    printf "%-40s %10.1f\n", "git merge-file -p", g / 1000
    printf "%-40s %10.1f\n", "korvane-cli merge (three files)", c / 1000
    printf "%-40s %10.1f\n", "korvane-cli merge --out (one file)", o / 1000
    printf "korvane/io=%.2f korvane/git=%.2f cli/io=%.2f out/io=%.2f\n", k / i, k / g, c / i, o / i
}'
