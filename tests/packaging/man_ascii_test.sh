#!/usr/bin/env bash
# The English man pages as a terminal without Chinese shows them (the C
# locale): no text vanishes, so the product is named and groff finds every
# character it is given.
# Usage: man_ascii_test.sh MAN_DIR (the built pages)
set -euo pipefail
command -v man > /dev/null || { echo "man is not installed"; exit 77; }
failures=0
for page in "$1/qzslice.1" "$1/qzslice-cli.1"; do
  shown=$(LC_ALL=C MANWIDTH=80 man -l "$page" 2>&1)
  if grep -q "can't find special character" <<< "$shown"; then
    echo "${page##*/}: characters the C locale cannot show"; failures=$((failures + 1))
  fi
  if ! grep -q "QZ Qiepianbao" <<< "$shown"; then
    echo "${page##*/}: the product's name is missing"; failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] || exit 1
echo "both English man pages read whole in the C locale"
