#!/usr/bin/env bash
# Very large files: 5 GiB + 12 345 bytes split into 7 and joined back through
# qzslice-cli, every slice checked against the boundary rule and the joined
# file compared byte for byte. Needs 12 GiB free where the scratch files go
# (QZ_LARGE_DIR, default the system's temporary directory); skips otherwise.
set -euo pipefail

cli=$1
base=${QZ_LARGE_DIR:-${TMPDIR:-/tmp}}
need=$((12 * 1024 * 1024 * 1024))
free=$(( $(df --output=avail -B1 "$base" | tail -n 1) ))
if [ "$free" -lt "$need" ]; then
  echo "SKIPPED: $base has $((free / 1024 / 1024 / 1024)) GiB free, this test needs 12 GiB"
  exit 77
fi

work=$(mktemp -d "$base/qzlarge-XXXXXX")
trap 'rm -rf "$work"' EXIT
L=$((5 * 1024 * 1024 * 1024 + 12345))
n=7
chunk=65535

# Random data, so a misplaced range cannot pass the comparison.
head -c "$L" /dev/urandom > "$work/big.bin"
[ "$(stat -c %s "$work/big.bin")" -eq "$L" ]

"$cli" split "$work/big.bin" "$n" --yes

# Boundary k is the largest multiple of the chunk strictly below k * S.
S=$((L / n))
prev=0
for k in $(seq 1 "$n"); do
  if [ "$k" -lt "$n" ]; then
    b=$(( (k * S - 1) / chunk * chunk ))
  else
    b=$L
  fi
  want=$((b - prev))
  got=$(stat -c %s "$work/big.bin.QZ$k")
  if [ "$got" -ne "$want" ]; then
    echo "slice $k has $got bytes, expected $want"
    exit 1
  fi
  prev=$b
done
[ ! -e "$work/big.bin.QZ$((n + 1))" ]

mkdir "$work/out"
"$cli" merge "$work/big.bin.QZ1" --to "$work/out" --yes
cmp "$work/big.bin" "$work/out/big.bin"
echo "5 GiB + 12 345 bytes: 7 slices on the boundary rule, joined back byte for byte"
