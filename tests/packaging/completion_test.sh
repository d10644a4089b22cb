#!/usr/bin/env bash
# The bash completion of qzslice-cli, driven as bash drives it: COMP_WORDS
# and COMP_CWORD set, the completion function called, COMPREPLY read. The
# cases run in a scratch directory of files and directories with awkward
# names.
set -euo pipefail

completion=$1
# Outside a real completion there is no completion state for compopt to set.
compopt() { :; }
# shellcheck source=/dev/null
source "$completion"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir 'sub dir' 视频
touch -- 'a b.bin' x.QZ1 x.QZ2 x.QZ1.bak x.QZ.sha256 视频.mp4.QZ1 -odd
failures=0

# expect WORD... '=>' COMPLETION...: the words of the line, the last being the
# one at the cursor, and the completions offered for it, in any order.
expect() {
    local words=() want=() got
    while [ "$1" != '=>' ]; do words+=("$1"); shift; done
    shift
    want=("$@")
    COMP_WORDS=(qzslice-cli "${words[@]}")
    COMP_CWORD=${#words[@]}
    _qzslice_cli
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
    if [ "$got" != "$(printf '%s\n' "${want[@]}" | sort)" ]; then
        echo "FAIL: qzslice-cli ${words[*]}|"
        echo "  offered: $(printf '[%s] ' "${COMPREPLY[@]}")"
        echo "  wanted:  $(printf '[%s] ' "${want[@]}")"
        failures=$((failures + 1))
    fi
}

# The subcommand, and the options that stand without one.
expect '' '=>' split merge check verify repair
expect sp '=>' split
expect - '=>' --help -h --version -V
expect --yes '' '=>' split merge check verify repair

# Each subcommand's own options, and no other's.
expect split a.bin 2 - '=>' --to --max-size --recovery --name --yes --no -q --quiet
expect merge x.QZ1 --d '=>' --delete
expect --no merge - '=>' --to --delete --stdout --yes --no -q --quiet
expect check x.QZ1 - '=>' -q --quiet
expect verify x.QZ1 - '=>' -q --quiet
expect repair x.QZ1 - '=>' -q --quiet

# split's source is any file or directory; its count is no file name.
expect split '' '=>' 'a b.bin' x.QZ1 x.QZ2 x.QZ1.bak x.QZ.sha256 视频.mp4.QZ1 -odd 'sub dir' 视频
expect split 'a' '=>' 'a b.bin'
expect split 'a b.bin' '' '=>'
expect split --to 'sub dir' 'a b.bin' '' '=>'

# merge starts from a first slice: .QZ1 files, and directories to find one in.
expect merge '' '=>' x.QZ1 视频.mp4.QZ1 'sub dir' 视频
expect merge 视 '=>' 视频.mp4.QZ1 视频
expect --yes merge --to 'sub dir' '' '=>' x.QZ1 视频.mp4.QZ1 'sub dir' 视频
expect merge x.QZ1 '' '=>'
# check and verify look at a set from its first slice too, never its sums file.
expect check '' '=>' x.QZ1 视频.mp4.QZ1 'sub dir' 视频
expect verify x '=>' x.QZ1

# --to takes a directory, written apart or after "=" (where bash splits).
expect merge x.QZ1 --to '' '=>' 'sub dir' 视频
expect split 'a b.bin' 2 --to = '=>' 'sub dir' 视频
expect split 'a b.bin' 2 --to = s '=>' 'sub dir'
expect --to = 'sub dir' split '' '=>' 'a b.bin' x.QZ1 x.QZ2 x.QZ1.bak x.QZ.sha256 视频.mp4.QZ1 -odd 'sub dir' 视频

# --max-size takes a number of bytes, or the words it knows; after mail: a
# number, which bash gives as words of their own.
expect split 'a b.bin' --max-size '' '=>' fat32 cd dvd dvd-dl bd mail:
expect split 'a b.bin' --max-size = f '=>' fat32
expect split 'a b.bin' --max-size dvd '=>' dvd dvd-dl
expect split 'a b.bin' --max-size fat32 '' '=>'
expect split 'a b.bin' --max-size mail : '=>'
expect split 'a b.bin' --max-size mail : 2 '=>'
expect --max-size mail : 25M '' '=>' split merge check verify repair

# After "--" a word beginning with "-" is a file name, not an option.
expect split -- -o '=>' -odd

[ "$failures" -eq 0 ] || { echo "$failures completion case(s) failed"; exit 1; }
echo "all completion cases passed"
