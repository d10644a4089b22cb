#!/usr/bin/env bash
# A file manager opens a first slice with the window: installed into a scratch
# prefix, the MIME package gives *.QZ1 its own type, which xdg-mime reports
# for x.QZ1 (and not for x.qz1, which the window takes as a file to split),
# with the menu entry as its default handler, and shows the type's own icon
# from the hicolor theme. The menu entry claims no other type: for any
# other file (application/octet-stream, slices 2 to n) it would become the
# default where few programs are installed; the file managers' actions
# offer splitting instead.
set -euo pipefail

build=$1
entry=$2.desktop
type=application/x-qzslice-first-slice
for tool in xdg-mime mimetype update-mime-database update-desktop-database; do
    if ! command -v "$tool" > /dev/null; then
        echo "SKIP: $tool not installed (scripts/setup installs it)"
        exit 77
    fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" > /dev/null
data=$scratch/prefix/share
# Only the scratch prefix and the system's own data; no user's settings and
# no desktop's own tool.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_CONFIG_DIRS=$scratch/etc
export XDG_DATA_HOME=$data XDG_DATA_DIRS=/usr/share
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
mkdir -p "$HOME" "$XDG_CONFIG_DIRS"
[ -f "$data/mime/packages/qzslice.xml" ] ||
    { echo "FAIL: no MIME package installed in share/mime/packages"; exit 1; }
update-mime-database "$data/mime"
update-desktop-database "$data/applications"

failures=0
expect() {  # what, expected, actual
    if [ "$2" = "$3" ]; then
        echo "ok: $1: $3"
    else
        echo "FAIL: $1: expected '$2', got '$3'"
        failures=$((failures + 1))
    fi
}
# Bytes that are no text and match no magic, so that only the name decides.
printf '\001\002\003\377\376' > "$scratch/x.QZ1"
cp "$scratch/x.QZ1" "$scratch/x.qz1"
expect "type of x.QZ1" "$type" "$(xdg-mime query filetype "$scratch/x.QZ1")"
[ "$(xdg-mime query filetype "$scratch/x.qz1")" != "$type" ] ||
    { echo "FAIL: x.qz1 taken for a first slice"; failures=$((failures + 1)); }
expect "default for $type" "$entry" "$(xdg-mime query default "$type")"
expect "types the menu entry claims" "$type" \
    "$(grep "=.*$entry" "$data/applications/mimeinfo.cache" | cut -d= -f1 | tr '\n' ' ' | sed 's/ $//')"
grep -qx 'Exec=qzslice %f' "$data/applications/$entry" ||
    { echo "FAIL: the menu entry does not pass the file to qzslice"; failures=$((failures + 1)); }
# The icon the MIME database names for the type, installed where the
# hicolor theme finds it.
icon=$(sed -n "s|^$type:||p" "$data/mime/icons")
ls "$data"/icons/hicolor/scalable/mimetypes/"${icon:-none}".svg > /dev/null 2>&1 ||
    { echo "FAIL: no icon '$icon' for $type in hicolor/scalable/mimetypes"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]
