#!/usr/bin/env bash
# Writes the template of qzslice-cli's messages: every text the code passes
# to qz::tr, qz::trn or qz::mark in cli/ and engine/.
# Usage: extract.sh XGETTEXT SOURCE_DIR OUTPUT.pot
set -euo pipefail
xgettext=$1
cd "$2"
"$xgettext" --language=C++ --from-code=UTF-8 --keyword= \
    --keyword=tr:1 --keyword=trn:1,2 --keyword=mark:1 \
    --package-name=qzslice-cli --no-location --sort-output \
    -o "$3" cli/*.cpp engine/*.cpp engine/*/*.cpp
