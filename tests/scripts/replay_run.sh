#!/bin/sh
# replay_run.sh MODE PROGRAM DATADIR ARG WORKDIR
#   golden   ARG is a .rec: replays it with --verify; status 0 and the final
#            state hash in the .hash file beside it
#   corrupt  records a short game, flips the byte in the middle of the
#            recording: the replay exits 1 or 2 with one clear line
set -u
mode=$1
molfo=$2
data=$3
arg=$4
work=$5
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "FAIL ($mode): $*" >&2
    for f in "$work"/*.out "$work"/*.err; do [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }; done
    exit 1
}

case "$mode" in
golden)
    "$molfo" --headless --data-dir "$data" --replay "$arg" --verify >"$work/replay.out" 2>"$work/replay.err"
    rc=$?
    [ "$rc" -eq 0 ] || fail "the golden replay $arg no longer matches (status $rc): the game's behaviour changed"
    want=$(tr -d ' \n' <"${arg%.rec}.hash")
    grep -q "state hash $want\$" "$work/replay.out" || fail "the final state hash is not $want"
    ;;
corrupt)
    printf 'title: press SHIFT\nplay 1-450: hold Z UP\n' >"$work/script.txt"
    "$molfo" --headless --data-dir "$data" --input "$work/script.txt" --frames 450 --record "$work/game.rec" \
        >"$work/record.out" 2>"$work/record.err" || fail "recording failed"
    "$molfo" --headless --data-dir "$data" --replay "$work/game.rec" --verify >"$work/clean.out" 2>"$work/clean.err" ||
        fail "the undamaged recording must verify"
    size=$(wc -c <"$work/game.rec")
    mid=$((size / 2))
    byte=$(od -An -tu1 -j "$mid" -N1 "$work/game.rec" | tr -d ' ')
    flipped=$((byte ^ 1))
    printf "$(printf '\\%03o' "$flipped")" | dd of="$work/game.rec" bs=1 seek="$mid" conv=notrunc 2>/dev/null
    "$molfo" --headless --data-dir "$data" --replay "$work/game.rec" --verify >"$work/bad.out" 2>"$work/bad.err"
    rc=$?
    [ "$rc" -eq 1 ] || [ "$rc" -eq 2 ] || fail "a damaged recording must exit 1 or 2, got $rc"
    [ "$(wc -l <"$work/bad.err")" -eq 1 ] || fail "a damaged recording must be told in exactly one line"
    grep -q "game.rec" "$work/bad.err" || fail "the line must name the recording"
    ;;
*)
    fail "unknown mode"
    ;;
esac
exit 0
