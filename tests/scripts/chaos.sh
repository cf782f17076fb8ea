#!/bin/sh
# Chaos test: the whole timeline rendered offline at one frame a second with damaged data.
# Every run must end with exit status 0 and all its frames; a missing or cut file must also
# be named on standard error. Each run is one row of the table printed at the end.
#
#   chaos.sh TARNWICK DATA_DIR WORK_DIR DAMAGE
#     missing | half | overwrite: every file of DATA_DIR in turn missing, cut to half its
#       length, or with bytes overwritten in its second half;
#     whole: an empty data/, a data that is a file, a module of another tracker as the
#       soundtrack.
#
# Slow (one whole run per row): runs only when TW_CHAOS is set (scripts/check --deep sets it);
# otherwise it exits 77, which ctest counts as skipped. CHAOS_JOBS runs in parallel (default 2).
set -u
if [ -z "${TW_CHAOS:-}" ]; then
    echo "chaos: skipped; set TW_CHAOS=1 to run it"
    exit 77
fi
exe=$1 data=$2 work=$3 damage=$4
# One frame a second of the whole run: as many frames as the last scene's end in seconds.
FRAMES=$("$exe" --list-scenes | awk 'END { printf "%d", $4 }')

# One run on ROOT (which holds data/); prints "case | damage | status | frames | named".
run_case() {
    name=$1 kind=$2 root=$3 expect_named=$4
    "$exe" --data "$root" --frames "$root/out" --fps 1 >"$root/stdout" 2>"$root/stderr"
    status=$?
    frames=$(find "$root/out" -name 'frame_*.png' 2>/dev/null | wc -l)
    named=-
    if [ "$expect_named" = yes ]; then
        if grep -qF "data/$name" "$root/stderr"; then named=yes; else named=NO; fi
    fi
    verdict=ok
    if [ "$status" -ne 0 ] || [ "$frames" -ne "$FRAMES" ] || [ "$named" = NO ]; then
        verdict=FAILED
    fi
    printf '%-18s | %-9s | %6s | %6s | %5s | %s\n' "$name" "$kind" "$status" "$frames" "$named" \
        "$verdict"
    [ "$verdict" = FAILED ] || rm -rf "$root" # a failed run's folder stays for a look
}

# A data/ of links to every forged file but NAME, which is missing, cut or overwritten.
damaged_root() {
    dname=$1 dkind=$2 droot=$3
    rm -rf "$droot"
    mkdir -p "$droot/data" "$droot/out"
    for f in "$data"/*; do
        [ "$(basename "$f")" = "$dname" ] || ln -s "$(realpath "$f")" "$droot/data/"
    done
    size=$(stat -c %s "$data/$dname")
    case "$dkind" in
    missing) ;;
    half) head -c $((size / 2)) "$data/$dname" >"$droot/data/$dname" ;;
    overwrite)
        # One byte in eight of the second half, from a fixed sequence: the same damage each run.
        python3 - "$data/$dname" "$droot/data/$dname" <<'EOF'
import sys
b = bytearray(open(sys.argv[1], "rb").read())
x = 2463534242
for i in range(len(b) // 2, len(b), 8):
    x ^= (x << 13) & 0xFFFFFFFF; x ^= x >> 17; x ^= (x << 5) & 0xFFFFFFFF
    b[i] = x & 0xFF
open(sys.argv[2], "wb").write(b)
EOF
        ;;
    esac
}

# A four-channel ProTracker module: one pattern, one looped square-wave sample, no syncs.
write_mod() {
    python3 - "$1" <<'EOF'
import sys
mod = bytearray(b"chaos".ljust(20, b"\0"))
sample = bytearray(b"square".ljust(22, b"\0")) + (32).to_bytes(2, "big") + bytes([0, 64])
sample += (0).to_bytes(2, "big") + (32).to_bytes(2, "big")
mod += sample + bytes(30) * 30
mod += bytes([1, 127]) + bytes(128) + b"M.K."
pattern = bytearray(1024)
for row in range(0, 64, 4):
    pattern[row * 16 : row * 16 + 4] = bytes([0x01, 0xAC, 0x10, 0x00])  # C-2, sample 1
mod += pattern + bytes([0x60] * 32 + [0xA0] * 32)
open(sys.argv[1], "wb").write(mod)
EOF
}

one() {
    name=$1 kind=$2
    root="$work/$kind-$name"
    case "$kind" in
    empty)
        rm -rf "$root" && mkdir -p "$root/data" "$root/out"
        run_case "(empty data/)" "$kind" "$root" no
        ;;
    datafile)
        rm -rf "$root" && mkdir -p "$root/out" && echo "not a folder" >"$root/data"
        run_case "(data a file)" "$kind" "$root" no
        ;;
    module)
        damaged_root vekt51.xm missing "$root"
        write_mod "$root/data/vekt51.xm"
        run_case "(MOD as vekt51.xm)" "$kind" "$root" no
        ;;
    missing | half) damaged_root "$name" "$kind" "$root" && run_case "$name" "$kind" "$root" yes ;;
    *) damaged_root "$name" "$kind" "$root" && run_case "$name" "$kind" "$root" no ;;
    esac
}

if [ "$damage" = one ]; then # internal: one row, for the parallel loop below
    one "$5" "$6"
    exit 0
fi

work="$work/$damage"
rm -rf "$work" && mkdir -p "$work"
table="$work/table-$damage.txt"
if [ "$damage" = whole ]; then
    printf '%s\n' "- empty" "- datafile" "- module"
else
    for f in "$data"/*; do printf '%s %s\n' "$(basename "$f")" "$damage"; done
fi | xargs -P "${CHAOS_JOBS:-2}" -n 2 sh "$0" "$exe" "$data" "$work" one >"$table.rows"
sort "$table.rows" >"$table"
rm -f "$table.rows"
cat "$table"
if grep -q FAILED "$table"; then
    for err in "$work"/*/stderr; do
        [ -f "$err" ] && sed "s|^|$(dirname "$err"): |" "$err" | head -n 12
    done
    echo "chaos: $damage: $(grep -c FAILED "$table") of $(grep -c '|' "$table") runs failed"
    exit 1
fi
echo "chaos: $damage: all $(grep -c '|' "$table") runs passed"
