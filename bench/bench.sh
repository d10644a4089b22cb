#!/usr/bin/env bash
# Times qzslice-cli against coreutils, each pair on the same file in the same
# run, and prints the ratios:
#   on a tmpfs, for a 64 MiB and a 1 GiB file of random data:
#     qzslice-cli split F 3 --yes             vs  split -n 3 F (in a scratch dir)
#     qzslice-cli merge F.QZ1 --to OUT --yes  vs  cat F.QZ1 F.QZ2 F.QZ3 > out
#   and, since the tool's split writes the slices' SHA-256 and its merge
#   checks every slice against them, the same with the hashing on both sides,
#   and against the hashing alone (one openssl dgst, the floor):
#     qzslice-cli split F 3 --yes   vs  split -n 3 F && sha256sum x*
#     qzslice-cli split F 3 --yes   vs  openssl dgst -sha256 F
#     qzslice-cli merge ...         vs  sha256sum -c F.QZ.sha256 && cat ... > out
#     qzslice-cli merge ...         vs  openssl dgst -sha256 F.QZ1 F.QZ2 F.QZ3
#   with the tool's peak memory (Maximum resident set size of /usr/bin/time
#   -v) for its split and its merge, which must not grow with the file;
#   on a disk file system, for a $BENCH_DISK_MIB MiB file (256 unless set),
#   where the tool flushes what it wrote before it reports completion:
#     qzslice-cli split F 3 --yes             vs  split -n 3 F && sync
#     qzslice-cli merge F.QZ1 --to OUT --yes  vs  cat F.QZ1 F.QZ2 F.QZ3 > out && sync
#   the recovery files, on the tmpfs, for a 256 MiB and a 1 GiB file of random
#   data cut in 4 (BENCH_RECOVERY_MIB lists other sizes, in MiB), against
#   par2 making one block per piece (-s: the largest piece rounded up to a
#   multiple of 4) and one recovery block, and against the MD5 of every byte
#   that PAR2 needs (one md5sum, the floor):
#     qzslice-cli split F 4 --recovery 1 --yes -q
#         vs  split -n 4 F && par2 create -q -q -s<B> -c1 -n1 F.par2 x*
#         vs  md5sum F
#     with F.QZ2 removed, qzslice-cli merge F.QZ1 --to OUT --yes -q
#         vs  with xab removed, par2 repair -q -q F.par2 && cat xaa xab xac xad > out
#   with the tool's peak memory for that split and that rebuilding merge; and,
#   on the first of those sizes, cut in 8, the time of a split with
#   --recovery 1, 2 and 4 and what each added recovery block costs.
#   par2 verifies with a table it builds in time proportional to its block
#   size, whatever the data, and that dominates its repair here (about 4 s
#   for 4 MiB blocks on a 2-core machine, so minutes a run for the 256 MiB
#   blocks of 1 GiB): the recovery part is the longest of the three.
# Each pair is run in turn, $BENCH_RUNS times (8 unless set), the side that
# goes first alternating, and the median of each side counts, so the load of
# a shared machine falls on both alike.
# When BUILD/bench/qzslice-window-bench exists it is timed too, against the
# tool, splitting the 1 GiB file from the offscreen window.
#
# Usage: bench/bench.sh [BUILD]
#   BUILD is a build directory that already holds cli/qzslice-cli; this script
#   builds nothing. Default: the "build" directory beside bench/, as README's
#   build command makes it.
#   BENCH_PARTS picks the parts to run, from "tmpfs disk recovery" (all three
#   unless set); BENCH_RECOVERY_MIB="16 64", say, with BENCH_PARTS=recovery
#   and BENCH_RUNS=1 checks the recovery part quickly.
# The tmpfs files go to /dev/shm when it is a tmpfs; otherwise a tmpfs is
# mounted for the run (which needs root). The disk files go to
# $BENCH_DISK_DIR (default: BUILD, which must not be on a tmpfs then).
# Everything is removed on exit.
set -euo pipefail
shopt -s inherit_errexit

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
cli=$build/cli/qzslice-cli
window=$build/bench/qzslice-window-bench
runs=${BENCH_RUNS:-8}
disk_mib=${BENCH_DISK_MIB:-256}
recovery_mib=${BENCH_RECOVERY_MIB:-256 1024}
parts=" ${BENCH_PARTS:-tmpfs disk recovery} "
for part in $parts; do
    [[ $part == @(tmpfs|disk|recovery) ]] ||
        { echo "bench.sh: BENCH_PARTS: no part $part (tmpfs, disk, recovery)" >&2; exit 1; }
done
for mib in $recovery_mib; do
    [[ $mib =~ ^[1-9][0-9]*$ ]] || { echo "bench.sh: BENCH_RECOVERY_MIB: not a size in MiB: $mib" >&2; exit 1; }
done
# wanted PART: whether BENCH_PARTS names PART.
wanted() { [[ $parts == *" $1 "* ]]; }

[[ -x $cli ]] || { echo "bench.sh: no $cli; build it first" >&2; exit 1; }
command -v openssl >/dev/null || { echo "bench.sh: openssl is missing (Debian package openssl)" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "bench.sh: /usr/bin/time is missing (Debian package time)" >&2; exit 1; }
if wanted recovery; then
    command -v par2 >/dev/null || { echo "bench.sh: par2 is missing (Debian package par2)" >&2; exit 1; }
fi

mounted=""
if [[ $(stat -f -c %T /dev/shm 2>/dev/null) == tmpfs ]]; then
    work=$(mktemp -d /dev/shm/qzbench.XXXXXX)
else
    work=$(mktemp -d)
    mount -t tmpfs -o size=8g qzbench "$work"
    mounted=$work
fi

disk=$(mktemp -d "${BENCH_DISK_DIR:-$build}/qzbench-disk.XXXXXX")

# Removes the scratch files, and the tmpfs when this script mounted it.
cleanup() {
    rm -rf "$disk"
    if [[ -n $mounted ]]; then
        umount "$mounted" && rmdir "$mounted"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

src=$work/src
out=$work/out
scratch=$work/coreutils
mkdir "$src" "$out" "$scratch"

# seconds FN: wall time of one call of the function FN, in seconds; a failing
# FN stops the run.
seconds() {
    local start end
    start=$EPOCHREALTIME
    "$1" >/dev/null 2>&1 || { echo "bench.sh: failed: $1" >&2; exit 1; }
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }'
}

# median T...: the median of the times given.
median() { printf '%s\n' "$@" | sort -g | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'; }

# duel PREP_A A PREP_B B: times the functions A and B in turn, $runs times
# each, every run after its PREP, so both meet the same load on a shared
# machine; which of the two goes first alternates from pair to pair, since
# the second of a pair runs with the first one's files still about. Prints
# the median time of A and of B.
duel() {
    local a=() b=() i
    for ((i = 0; i < runs; i++)); do
        if ((i % 2 == 0)); then
            "$1"
            a+=("$(seconds "$2")")
            "$3"
            b+=("$(seconds "$4")")
        else
            "$3"
            b+=("$(seconds "$4")")
            "$1"
            a+=("$(seconds "$2")")
        fi
    done
    echo "$(median "${a[@]}") $(median "${b[@]}")"
}

# peak_kib CMD...: Maximum resident set size of one run of CMD, in KiB.
peak_kib() {
    /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }

F=$src/data.bin
D=$disk/data.bin
mkdir "$disk/out" "$disk/coreutils"
no_slices() { rm -f "$F".QZ*; }
no_split_output() { rm -f "$scratch"/x*; }
no_merge_output() { rm -f "$out/data.bin"; }
no_cat_output() { rm -f "$work/cat.out"; }

cli_split() { "$cli" split "$F" 3 --yes; }
coreutils_split() { (cd "$scratch" && split -n 3 "$F"); }
cli_merge() { "$cli" merge "$F".QZ1 --to "$out" --yes; }
cat_merge() { cat "$F".QZ1 "$F".QZ2 "$F".QZ3 >"$work/cat.out"; }
nothing() { :; }
coreutils_split_sums() { (cd "$scratch" && split -n 3 "$F" && sha256sum x* >/dev/null); }
openssl_source() { openssl dgst -sha256 "$F"; }
sums_cat_merge() {
    (cd "$src" && sha256sum --quiet -c data.bin.QZ.sha256 &&
        cat data.bin.QZ1 data.bin.QZ2 data.bin.QZ3 >"$work/cat.out")
}
openssl_slices() { openssl dgst -sha256 "$F".QZ1 "$F".QZ2 "$F".QZ3; }
window_split() { QT_QPA_PLATFORM=offscreen "$window" "$F" 3; }

no_disk_slices() { rm -f "$D".QZ* "$disk"/coreutils/x*; sync; }
no_disk_outputs() { rm -f "$disk/out/data.bin" "$disk/cat.out"; sync; }
cli_split_disk() { "$cli" split "$D" 3 --yes; }
coreutils_split_disk() { (cd "$disk/coreutils" && split -n 3 "$D" && sync); }
cli_merge_disk() { "$cli" merge "$D".QZ1 --to "$disk/out" --yes; }
cat_merge_disk() { cat "$D".QZ1 "$D".QZ2 "$D".QZ3 >"$disk/cat.out" && sync; }

# Stops the run when the slices or the merged file are not the source's bytes.
check_slices() {
    cat "$F".QZ1 "$F".QZ2 "$F".QZ3 | cmp -s - "$F" ||
        { echo "bench.sh: the slices differ from the source" >&2; exit 1; }
}
check_merged() {
    cmp -s "$out/data.bin" "$F" || { echo "bench.sh: the merged file differs from the source" >&2; exit 1; }
}

# The split and merge rows for a fresh random file of $1 MiB, labelled $2.
bench_size() {
    local label=$2 split_cli split_cu merge_cli merge_cat split_mem merge_mem
    head -c "$(($1 * 1024 * 1024))" /dev/urandom >"$F"

    local times
    times=$(duel no_slices cli_split no_split_output coreutils_split)
    read -r split_cli split_cu <<<"$times"
    no_split_output
    check_slices
    times=$(duel no_merge_output cli_merge no_cat_output cat_merge)
    read -r merge_cli merge_cat <<<"$times"
    no_cat_output
    check_merged

    # The hashing: against coreutils hashing too, and against the floor.
    local split_cu_sums split_cli2 split_ssl_cli split_ssl merge_cli2 merge_cu_sums merge_cli3 merge_ssl
    times=$(duel no_slices cli_split no_split_output coreutils_split_sums)
    read -r split_cli2 split_cu_sums <<<"$times"
    no_split_output
    times=$(duel no_slices cli_split nothing openssl_source)
    read -r split_ssl_cli split_ssl <<<"$times"
    times=$(duel no_merge_output cli_merge no_cat_output sums_cat_merge)
    read -r merge_cli2 merge_cu_sums <<<"$times"
    no_cat_output
    times=$(duel no_merge_output cli_merge nothing openssl_slices)
    read -r merge_cli3 merge_ssl <<<"$times"

    no_merge_output
    merge_mem=$(peak_kib "$cli" merge "$F".QZ1 --to "$out" --yes)
    no_merge_output
    no_slices
    split_mem=$(peak_kib "$cli" split "$F" 3 --yes)

    printf '%-8s %-6s %10ss %10ss %7s\n' "$label" split "$split_cli" "$split_cu" "$(ratio "$split_cli" "$split_cu")"
    printf '%-8s %-6s %10ss %10ss %7s\n' "$label" merge "$merge_cli" "$merge_cat" "$(ratio "$merge_cli" "$merge_cat")"
    printf '%-8s split vs split -n 3 && sha256sum: %ss vs %ss, ratio %s (at most 0.5)\n' \
        "$label" "$split_cli2" "$split_cu_sums" "$(ratio "$split_cli2" "$split_cu_sums")"
    printf '%-8s split vs openssl dgst -sha256 F: %ss vs %ss, ratio %s (at most 1.3)\n' \
        "$label" "$split_ssl_cli" "$split_ssl" "$(ratio "$split_ssl_cli" "$split_ssl")"
    printf '%-8s merge vs sha256sum -c && cat: %ss vs %ss, ratio %s (at most 0.5)\n' \
        "$label" "$merge_cli2" "$merge_cu_sums" "$(ratio "$merge_cli2" "$merge_cu_sums")"
    printf '%-8s merge vs openssl dgst -sha256 slices: %ss vs %ss, ratio %s (at most 1.3)\n' \
        "$label" "$merge_cli3" "$merge_ssl" "$(ratio "$merge_cli3" "$merge_ssl")"
    printf '%-8s peak memory of qzslice-cli: split %s, merge %s\n' "$label" "$(mib "$split_mem")" "$(mib "$merge_mem")"

    if [[ $1 -ge 1024 && -x $window ]]; then
        local split_window split_cli_again
        times=$(duel no_slices window_split no_slices cli_split)
        read -r split_window split_cli_again <<<"$times"
        printf '%-8s window split %ss vs qzslice-cli split %ss: ratio %s\n' \
            "$label" "$split_window" "$split_cli_again" "$(ratio "$split_window" "$split_cli_again")"
    fi
    no_slices
    rm -f "$F"
}

# The recovery files. The par2 side works in its own scratch dir, on pieces
# named as split names them; $par2_block is its block size, the largest piece
# rounded up to a multiple of 4 (par2 takes no other), so that each piece is
# one block, as each slice is one block of the tool's recovery set.
par2_set=$work/par2
mkdir "$par2_set"
par2_block=0
no_par2_output() { rm -f "$scratch"/x* "$scratch"/data.bin*.par2; }
cli_split_recovery() { "$cli" split "$F" 4 --recovery 1 --yes -q; }
split_par2_create() {
    (cd "$scratch" && split -n 4 "$F" &&
        par2 create -q -q -s"$par2_block" -c1 -n1 data.bin.par2 x*)
}
md5sum_source() { md5sum "$F"; }
# The merges that rebuild a lost slice start from a set with its second slice
# (piece) missing: the one the last run rebuilt is removed again, with par2's
# backups of the files it repaired (NAME.1), and the joined file.
lost_slice() { rm -f "$F".QZ2 "$out/data.bin"; }
lost_piece() { rm -f "$par2_set"/xab "$par2_set"/*.1 "$work/cat.out"; }
cli_merge_rebuild() { "$cli" merge "$F".QZ1 --to "$out" --yes -q; }
par2_repair_cat() {
    (cd "$par2_set" && par2 repair -q -q data.bin.par2 &&
        cat xaa xab xac xad >"$work/cat.out")
}
# A split in 8 with $recovery_blocks recovery blocks.
cli_split_k() { "$cli" split "$F" 8 --recovery "$recovery_blocks" --yes -q; }

# sub A B: A - B, and over D: A / D, to 4 places.
sub() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a - b }'; }
over() { awk -v a="$1" -v d="$2" 'BEGIN { printf "%.4f", a / d }'; }

# The recovery rows for a fresh random file of $1 MiB, labelled $2; with a
# third argument, the rows of the split in 8 with 1, 2 and 4 recovery blocks
# too.
bench_recovery() {
    local label=$2 times
    head -c "$(($1 * 1024 * 1024))" /dev/urandom >"$F"

    # The par2 set whose second piece is lost, which also gives the block
    # size: the largest of the pieces that split -n 4 makes.
    (cd "$par2_set" && split -n 4 "$F")
    par2_block=$(stat -c %s "$par2_set"/x* | sort -n | tail -n 1)
    par2_block=$(((par2_block + 3) / 4 * 4))
    (cd "$par2_set" && par2 create -q -q -s"$par2_block" -c1 -n1 data.bin.par2 x* >/dev/null)
    [[ -f $par2_set/data.bin.vol0+1.par2 ]] ||
        { echo "bench.sh: par2 create wrote no data.bin.vol0+1.par2" >&2; exit 1; }

    local split_cli split_par2 split_cli2 split_md5
    times=$(duel no_slices cli_split_recovery no_par2_output split_par2_create)
    read -r split_cli split_par2 <<<"$times"
    no_par2_output
    times=$(duel no_slices cli_split_recovery nothing md5sum_source)
    read -r split_cli2 split_md5 <<<"$times"
    cat "$F".QZ1 "$F".QZ2 "$F".QZ3 "$F".QZ4 | cmp -s - "$F" ||
        { echo "bench.sh: the slices differ from the source" >&2; exit 1; }
    [[ -f $F.QZ.vol0+1.par2 ]] || { echo "bench.sh: split --recovery 1 wrote no $F.QZ.vol0+1.par2" >&2; exit 1; }

    local merge_cli merge_par2
    times=$(duel lost_slice cli_merge_rebuild lost_piece par2_repair_cat)
    read -r merge_cli merge_par2 <<<"$times"
    cmp -s "$out/data.bin" "$F" || { echo "bench.sh: the rebuilding merge's file differs from the source" >&2; exit 1; }
    cmp -s "$work/cat.out" "$F" || { echo "bench.sh: par2 repair && cat gave other bytes than the source" >&2; exit 1; }
    lost_piece
    rm -f "$par2_set"/*

    local split_mem merge_mem
    lost_slice
    merge_mem=$(peak_kib "$cli" merge "$F".QZ1 --to "$out" --yes -q)
    cmp -s "$out/data.bin" "$F" || { echo "bench.sh: the rebuilding merge's file differs from the source" >&2; exit 1; }
    no_merge_output
    no_slices
    split_mem=$(peak_kib "$cli" split "$F" 4 --recovery 1 --yes -q)
    no_slices

    printf '%-8s split --recovery 1 vs split -n 4 && par2 create: %ss vs %ss, ratio %s (at most 0.35)\n' \
        "$label" "$split_cli" "$split_par2" "$(ratio "$split_cli" "$split_par2")"
    printf '%-8s split --recovery 1 vs md5sum F: %ss vs %ss, ratio %s (at most 1.5)\n' \
        "$label" "$split_cli2" "$split_md5" "$(ratio "$split_cli2" "$split_md5")"
    printf '%-8s merge rebuilding a slice vs par2 repair && cat: %ss vs %ss, ratio %s (at most 0.2)\n' \
        "$label" "$merge_cli" "$merge_par2" "$(ratio "$merge_cli" "$merge_par2")"
    printf '%-8s peak memory of qzslice-cli: split --recovery 1 %s, rebuilding merge %s (at most 64 MiB)\n' \
        "$label" "$(mib "$split_mem")" "$(mib "$merge_mem")"

    if [[ $# -ge 3 ]]; then
        # Each run times the three splits in turn, the one that goes first
        # rotating, as duel does for two.
        local blocks=(1 2 4) t1=() t2=() t4=() i j
        for ((i = 0; i < runs; i++)); do
            for j in 0 1 2; do
                recovery_blocks=${blocks[(i + j) % 3]}
                no_slices
                case $recovery_blocks in
                    1) t1+=("$(seconds cli_split_k)") ;;
                    2) t2+=("$(seconds cli_split_k)") ;;
                    4) t4+=("$(seconds cli_split_k)") ;;
                esac
            done
        done
        no_slices
        local m1 m2 m4
        m1=$(median "${t1[@]}")
        m2=$(median "${t2[@]}")
        m4=$(median "${t4[@]}")
        printf '%-8s split in 8 with --recovery 1, 2, 4: %ss, %ss, %ss\n' "$label" "$m1" "$m2" "$m4"
        printf '%-8s each added recovery block: from 1 to 2 %ss, from 2 to 4 %ss (linear when the second is not above the first)\n' \
            "$label" "$(sub "$m2" "$m1")" "$(over "$(sub "$m4" "$m2")" 2)"
    fi
    rm -f "$F"
}

# mib_label MIB: "1 GiB" for 1024, "256 MiB" for 256.
mib_label() { if (($1 % 1024 == 0)); then echo "$(($1 / 1024)) GiB"; else echo "$1 MiB"; fi; }

if wanted tmpfs; then
    echo "qzslice-cli vs coreutils on tmpfs ($work), median of $runs runs"
    printf '%-8s %-6s %11s %11s %7s\n' size op qzslice-cli coreutils ratio
    bench_size 64 "64 MiB"
    bench_size 1024 "1 GiB"
fi

# The disk rows: the tool flushes what it wrote before it reports completion,
# so coreutils is timed with a sync after it.
if wanted disk; then
    echo "qzslice-cli vs coreutils && sync on $(stat -f -c %T "$disk") ($disk), median of $runs runs"
    head -c "$((disk_mib * 1024 * 1024))" /dev/urandom >"$D"
    sync
    times=$(duel no_disk_slices cli_split_disk no_disk_slices coreutils_split_disk)
    read -r split_cli split_cu <<<"$times"
    cli_split_disk >/dev/null 2>&1
    cat "$D".QZ1 "$D".QZ2 "$D".QZ3 | cmp -s - "$D" ||
        { echo "bench.sh: the slices on disk differ from the source" >&2; exit 1; }
    times=$(duel no_disk_outputs cli_merge_disk no_disk_outputs cat_merge_disk)
    read -r merge_cli merge_cat <<<"$times"
    printf '%-8s %-6s %10ss %10ss %7s\n' "${disk_mib} MiB" split "$split_cli" "$split_cu" "$(ratio "$split_cli" "$split_cu")"
    printf '%-8s %-6s %10ss %10ss %7s\n' "${disk_mib} MiB" merge "$merge_cli" "$merge_cat" "$(ratio "$merge_cli" "$merge_cat")"
fi

if wanted recovery; then
    echo "qzslice-cli --recovery vs split -n 4 && par2 on tmpfs ($work), median of $runs runs"
    first=1
    for mib in $recovery_mib; do
        if ((first)); then
            bench_recovery "$mib" "$(mib_label "$mib")" with-scaling
        else
            bench_recovery "$mib" "$(mib_label "$mib")"
        fi
        first=0
    done
fi
