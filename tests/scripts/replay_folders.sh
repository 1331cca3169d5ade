#!/bin/sh
# replay_folders.sh PROGRAM DATADIR WORKDIR
# Headless games kept as replays (--keep-replays) into hostile folders, and a
# replay started beside what a killed one left: the new game is always kept,
# nothing of the player's is removed, and what killed games left is swept.
set -u
molfo=$1
data=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A folder of its own for each case; `keep` plays one game in it, ended by
# the frame limit in play, and keeps it.
fresh() {
    dir="$work/$1"
    export XDG_DATA_HOME="$dir/share" HOME="$dir/home" TMPDIR="$dir/tmp"
    replays="$XDG_DATA_HOME/molfo/replays"
    mkdir -p "$replays" "$HOME" "$TMPDIR"
}
keep() {
    "$molfo" --headless --data-dir "$data" --frames 200 --keep-replays >"$dir/out" 2>"$dir/err"
}
today=$(date +%Y-%m-%d)

fresh seed
keep || fail "a game is kept"
recording=$(ls "$replays"/*.mrec | head -n 1)
[ -f "$recording" ] || { echo "FAIL: no recording to lay out the cases with" >&2; exit 1; }

# Fifty games kept while the clock said 2099.
fresh future
for s in $(seq 10 59); do cp "$recording" "$replays/2099-01-01_0000${s}_1pts_stage1.mrec"; done
keep
ls "$replays" | grep -q "^${today}_" || fail "a game kept after fifty dated 2099 is kept, not pruned at once"
[ "$(ls "$replays" | wc -l)" -eq 50 ] || fail "the folder still holds fifty games"
grep -q 'dated after today' "$dir/err" || fail "one line says the folder holds games from the future"
[ "$(wc -l <"$dir/err")" -eq 1 ] || fail "and only one"

# A file of the player's named like a kept replay, older than fifty games.
fresh players
echo "my notes" >"$replays/2020-01-01_000000_1pts_stage1.mrec"
for s in $(seq 10 59); do cp "$recording" "$replays/2021-01-01_0000${s}_1pts_stage1.mrec"; done
keep
[ -f "$replays/2020-01-01_000000_1pts_stage1.mrec" ] || fail "a file that is not a recording is never removed"
ls "$replays" | grep -q "^${today}_" || fail "the new game is kept"

# Temporary files a killed game left, and others.
fresh temporaries
for n in Ab12Cd Ef34Gh; do echo x >"$replays/.molfo-replay-$n"; done
echo mine >"$replays/.molfo-replay-notes"
touch -d '1 hour ago' "$replays/.molfo-replay-Ab12Cd" "$replays/.molfo-replay-notes"
keep
[ ! -e "$replays/.molfo-replay-Ab12Cd" ] || fail "an hour-old temporary of the game's is swept"
[ -e "$replays/.molfo-replay-Ef34Gh" ] || fail "one being written now stays"
[ -e "$replays/.molfo-replay-notes" ] || fail "a file of another name stays"

# The private folder of a replay killed outright, and a replay after it.
fresh overlay
mkdir -p "$TMPDIR/molfo-replay-Zz99Yy/sys"
ln -s "$data/sys/title.bmp" "$TMPDIR/molfo-replay-Zz99Yy/sys/title.bmp"
touch -d '1 hour ago' "$TMPDIR/molfo-replay-Zz99Yy"
"$molfo" --headless --data-dir "$data" --replay "$recording" --verify >"$dir/out" 2>"$dir/err" ||
    fail "the replay verifies: $(cat "$dir/err")"
[ ! -e "$TMPDIR/molfo-replay-Zz99Yy" ] || fail "a killed replay's folder is swept by the next replay"
[ -f "$data/sys/title.bmp" ] || fail "and what it linked to stays"
[ -z "$(ls "$TMPDIR")" ] || fail "the replay leaves nothing in $TMPDIR: $(ls "$TMPDIR")"

[ "$failures" -eq 0 ]
