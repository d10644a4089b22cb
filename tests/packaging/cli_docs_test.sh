#!/usr/bin/env bash
# What qzslice-cli --help lists must be in both its man pages and in its bash
# completion: each subcommand, each option and each exit status; and after
# each subcommand the completion offers just the options its usage lines
# show. An option or subcommand added to the program fails here until the
# pages and the completion know it too.
set -euo pipefail

cli=$1
completion=$2
pages=("$3/qzslice-cli.1.in" "$3/zh_CN/qzslice-cli.1.in")

help=$("$cli" --help)
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
want=$(grep -E '^-' <<< "$usage" | options_in)
[ "$(offered -)" = "$want" ] ||
    fail "options alone: the completion offers [ $(offered - | words)], the usage lines [ $(words <<< "$want")]"
for command in $commands; do
    want=$(grep -E "^$command( |$)" <<< "$usage" | options_in)
    [ "$(offered "$command" -)" = "$want" ] ||
        fail "options of $command: the completion offers [ $(offered "$command" - | words)], the usage lines [ $(words <<< "$want")]"
done

[ "$failures" -eq 0 ] || { echo "$failures difference(s) between --help and the man pages or completion"; exit 1; }
echo "the man pages and the completion cover: $(words <<< "$commands") $(words <<< "$options")"
