#!/usr/bin/env bash
# What qzslice-cli --help lists must be in both its man pages and in its bash
# completion: each subcommand, each option and each exit status; and after
# each subcommand the completion offers just the options its usage lines
# show, each by both its names. An option or subcommand added to the program
# fails here until the pages and the completion know it too. And the help
# fits 80 columns, in English and in Chinese (a CJK character takes two).
set -euo pipefail

cli=$1
completion=$2
pages=("$3/qzslice-cli.1.in" "$3/zh_CN/qzslice-cli.1.in")

help=$(LC_ALL=C.UTF-8 LANGUAGE='' "$cli" --help)
# The usage lines, from the heading to the first blank line, less the
# program's name: "split SOURCE COUNT [--to DIR]"; examples further down are
# not usage lines.
usage=$(sed -n '/Usage:/,/^$/s/^  qzslice-cli //p' <<< "$help")
commands=$(awk '$1 !~ /^-/ && !seen[$1]++ { print $1 }' <<< "$usage")
# Options as words of their own, not the "-cli" of the program's name.
options_in() { grep -oE -- '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*' | sed 's/^[^-]//' | sort -u; }
options=$(options_in <<< "$help")
statuses=$(sed -n 's/^  \([0-9][0-9]*\)  .*/\1/p' <<< "$help")
[ -n "$commands" ] && [ -n "$options" ] && [ -n "$statuses" ] ||
    { echo "could not read subcommands, options and exit statuses from --help"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
words() { tr '\n' ' '; }

# The zh_CN locale is made here from glibc's sources, as no system is sure to
# have it; wc -L counts display columns by the C.UTF-8 locale's widths.
locales=$(mktemp -d)
trap 'rm -rf "$locales"' EXIT
localedef -c -i zh_CN -f UTF-8 "$locales/zh_CN.UTF-8" > /dev/null 2>&1 ||
    { echo "cannot make the zh_CN locale (localedef, locales)"; exit 1; }
zh_help=$(LOCPATH=$locales LC_ALL=zh_CN.UTF-8 LANGUAGE=zh_CN "$cli" --help)
[ "$zh_help" != "$help" ] || fail "--help under zh_CN is the English one"
for text in "$help" "$zh_help"; do
    width=$(LC_ALL=C.UTF-8 wc -L <<< "$text")
    [ "$width" -le 80 ] || fail "--help is $width columns wide: $(head -1 <<< "$text")"
done

for page in "${pages[@]}"; do
    # roff writes every "-" of an option as "\-".
    for option in $options; do
        grep -qF -- "${option//-/\\-}" "$page" || fail "$page does not describe $option"
    done
    for command in $commands; do
        grep -qF -- "qzslice\\-cli $command" "$page" || fail "$page has no synopsis of $command"
    done
    for status in $statuses; do
        grep -qx -- ".B $status" "$page" || fail "$page does not explain exit status $status"
    done
done

# Outside a real completion there is no completion state for compopt to set.
compopt() { :; }
# shellcheck source=/dev/null
source "$completion"
offered() {
    COMP_WORDS=(qzslice-cli "$@")
    COMP_CWORD=$#
    _qzslice_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort -u
}
[ "$(offered '')" = "$(sort -u <<< "$commands")" ] ||
    fail "subcommands: the completion offers [ $(offered '' | words)], the usage lines [ $(words <<< "$commands")]"
# Each short option with its long one, as the option list pairs them:
# "-q, --quiet".
aliases=$(sed -n 's/^  \(-[[:alpha:]]\), \(--[[:alnum:]-]*\).*/\1 \2/p' <<< "$help")
both_names() {
    local o
    while read -r o; do
        echo "$o"
        awk -v o="$o" '$1 == o { print $2 } $2 == o { print $1 }' <<< "$aliases"
    done | sort -u
}
want=$(grep -E '^-' <<< "$usage" | options_in | both_names)
[ "$(offered -)" = "$want" ] ||
    fail "options alone: the completion offers [ $(offered - | words)], the usage lines [ $(words <<< "$want")]"
for command in $commands; do
    want=$(grep -E "^$command( |$)" <<< "$usage" | options_in | both_names)
    [ "$(offered "$command" -)" = "$want" ] ||
        fail "options of $command: the completion offers [ $(offered "$command" - | words)], the usage lines [ $(words <<< "$want")]"
done

[ "$failures" -eq 0 ] || { echo "$failures difference(s) between --help and the man pages or completion"; exit 1; }
echo "the man pages and the completion cover: $(words <<< "$commands") $(words <<< "$options")"
