#!/bin/sh
# Layers point one way: no source outside src/ui/ (but the desktop program's main.cpp) includes Qt or
# anything from src/ui/, and the system layer includes nothing of the document or the merge. Inside
# src/merge the rooms stand on floors: model and sync at the bottom, then format and save, then run;
# no room includes one above it or beside it.
cd "$(dirname "$0")/../src" || exit 2
crossings=$(grep -rnE '^#include *(<Q|"ui/)' --exclude-dir=ui . | grep -v '^\./app/main\.cpp:'
    grep -rnE '^#include *"(merge|document)/' platform
    grep -rnE '^#include *"merge/(format|save|sync|run)/' merge/model
    grep -rnE '^#include *"merge/(format|save|model|run)/' merge/sync
    grep -rnE '^#include *"merge/(save|sync|run)/' merge/format
    grep -rnE '^#include *"merge/(format|run)/' merge/save)
[ -z "$crossings" ] || { echo "$crossings"; exit 1; }
[ "$(find . -type f | wc -l)" -gt 40 ] && [ -d merge/model ] && [ -d merge/run ]
