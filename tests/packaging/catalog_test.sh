#!/usr/bin/env bash
# Every message the code passes to qz::tr, qz::trn or qz::mark has its
# Chinese in po/zh_CN.po, neither missing nor fuzzy nor empty: a new message
# fails here until it is translated.
# Usage: catalog_test.sh XGETTEXT MSGCMP SOURCE_DIR
set -euo pipefail
xgettext=$1 msgcmp=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$source/po/extract.sh" "$xgettext" "$source" "$work/qzslice-cli.pot"
"$msgcmp" "$source/po/zh_CN.po" "$work/qzslice-cli.pot"
echo "po/zh_CN.po translates all $(grep -c '^msgid ' "$work/qzslice-cli.pot") entries of the template"
