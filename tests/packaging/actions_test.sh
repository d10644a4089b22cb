#!/usr/bin/env bash
# The split and join actions of file managers, installed into a scratch
# prefix, read the way each file manager reads its own format: for a file
# to split and for a first slice, which actions it offers, and that the
# command an action runs hands the window that very file, however it is
# named. Plasma runs only service menus that are executable.
set -euo pipefail

build=$1
first=application/x-qzslice-first-slice
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" > /dev/null
data=$scratch/prefix/share
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The value of key in [group] of file; empty when there is none.
value() {
    awk -v group="[$2]" -v key="$3" '
        /^\[/ { in_group = ($0 == group) }
        in_group && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }' "$1"
}
# Whether word is one of the ";"-separated list.
listed() { [[ ";$2" == *";$1;"* ]]; }

# Whether the action file $2 in format $1 is offered for a file of MIME type
# $3 with extension $4; the group that holds its command goes to $command.
offered() {
    local format=$1 file=$2 type=$3 ext=$4 types
    case $format in
    kio)
        command="Desktop Action $(value "$file" 'Desktop Entry' Actions | cut -d';' -f1)"
        types=$(value "$file" 'Desktop Entry' MimeType)
        listed "$type" "$(value "$file" 'Desktop Entry' ExcludeServiceTypes)" && return 1
        listed "$type" "$types" || listed all/allfiles "$types" ;;
    nemo)
        command='Nemo Action'
        listed "$type" "$(value "$file" "$command" Mimetypes)" && return 0
        types=$(value "$file" "$command" Extensions)
        listed nodirs "$types" || listed any "$types" || listed "$ext" "$types" ;;
    fma)
        command="X-Action-Profile $(value "$file" 'Desktop Entry' Profiles | cut -d';' -f1)"
        types=$(value "$file" "$command" MimeTypes)
        listed "!$type" "$types" && return 1
        listed "$type" "$types" || listed all/allfiles "$types" ;;
    esac
}

# The command of group $3 in file $2 of format $1 for the file $4, as its
# file manager expands it: a desktop file's field code is one argument,
# Nemo puts the path in as text, quoted as its Quote key says.
expand() {
    local exec path=$4
    exec=$(value "$2" "$3" Exec)
    if [ "$1" != nemo ]; then
        path=$(printf '%q' "$path")
    elif [ "$(value "$2" "$3" Quote)" = double ]; then
        path="\"$path\""
    fi
    exec=${exec//%f/$path}
    echo "${exec//%F/$path}"
}

# A qzslice that notes the files it was given.
mkdir "$scratch/bin" "$scratch/files"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s"\n' "$scratch/given" > "$scratch/bin/qzslice"
chmod +x "$scratch/bin/qzslice"
to_split="$scratch/files/my clip.mkv"
to_join="$scratch/files/my clip.mkv.QZ1"
touch "$to_split" "$to_join"

# format  file under share/                       split  join: offered for
while read -r format file splits joins; do
    path=$data/$file
    [ -f "$path" ] || { fail "$file is not installed"; continue; }
    if [ "$format" = kio ] && [ ! -x "$path" ]; then fail "$file is not executable"; fi
    for row in "application/octet-stream mkv $splits $to_split" "$first QZ1 $joins $to_join"; do
        read -r type ext want target <<< "$row"
        target=${row#* * * }
        if offered "$format" "$path" "$type" "$ext"; then got=yes; else got=no; fi
        [ "$got" = "$want" ] || { fail "$file offered for $type: $got, not $want"; continue; }
        [ "$got" = yes ] || continue
        rm -f "$scratch/given"
        PATH=$scratch/bin:$PATH sh -c "$(expand "$format" "$path" "$command" "$target")"
        [ "$(cat "$scratch/given" 2> /dev/null)" = "$target" ] ||
            fail "$file runs qzslice on [$(cat "$scratch/given" 2> /dev/null)], not [$target]"
    done
    icon=$(value "$path" "${command/X-Action-Profile*/Desktop Entry}" Icon)
    [ -n "$icon" ] || icon=$(value "$path" "$command" Icon-Name)
    ls "$data"/icons/hicolor/*/apps/"$icon".* > /dev/null 2>&1 || fail "$file: no icon '$icon' installed"
done << 'TABLE'
kio  kio/servicemenus/qzslice-split.desktop        yes no
kio  kio/servicemenus/qzslice-join.desktop         no  yes
nemo nemo/actions/qzslice-split.nemo_action        yes yes
nemo nemo/actions/qzslice-join.nemo_action         no  yes
fma  file-manager/actions/qzslice-split.desktop    yes no
fma  file-manager/actions/qzslice-join.desktop     no  yes
TABLE
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "the file managers' actions offer split and join and open the file given"
