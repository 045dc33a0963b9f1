#!/bin/sh
# Layers point one way: no source outside src/ui/ (but the desktop program's main.cpp) includes Qt or
# anything from src/ui/, and the system layer includes nothing of the document or the merge.
cd "$(dirname "$0")/../src" || exit 2
crossings=$(grep -rnE '^#include *(<Q|"ui/)' --exclude-dir=ui . | grep -v '^\./app/main\.cpp:'
    grep -rnE '^#include *"(merge|document)/' platform)
[ -z "$crossings" ] || { echo "$crossings"; exit 1; }
[ "$(find . -type f | wc -l)" -gt 40 ]
