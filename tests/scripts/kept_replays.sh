#!/bin/sh
# kept_replays.sh PROGRAM DATADIR WORKDIR
set -u
molfo=$1
data=$2
work=$3
rm -rf "$work"
mkdir -p "$work/game/sys" "$work/home"
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work" XDG_DATA_HOME="$work/share" HOME="$work/home" SDL_AUDIODRIVER=dummy
# The game's files, linked; a ranking of the test's own.
for f in "$data"/sys/*; do [ "$(basename "$f")" = rank.hms ] || ln -s "$f" "$work/game/sys/"; done
replays="$work/share/molfo/replays"

fail() {
    echo "FAIL: $*" >&2
    for f in "$work"/*.err "$work"/*.out; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 20 "$f" >&2; }; done
    [ -n "${pid:-}" ] && kill -KILL "$pid" 2>/dev/null
    exit 1
}

# One game in the window: Shift starts it, Left moves the hero, Escape ends
# the program in the middle of the game.
export SDL_VIDEODRIVER=x11
"$molfo" --data-dir "$work/game" 2>"$work/window.err" &
pid=$!
wid=$(timeout 6 xdotool search --sync --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1)
[ -n "$wid" ] || fail "no window named Form1 appeared"
xdotool windowfocus "$wid"
sleep 0.5
xdotool key --clearmodifiers shift
sleep 3
xdotool keydown Left
sleep 1
xdotool keyup Left
t=0
while kill -0 "$pid" 2>/dev/null && [ "$t" -lt 16 ]; do
    xdotool windowfocus "$wid" 2>/dev/null
    xdotool key --clearmodifiers Escape 2>/dev/null
    sleep 0.5
    t=$((t + 1))
done
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "the game in the window must end with status 0, got $rc"
[ ! -s "$work/window.err" ] || fail "keeping the game as a replay must print nothing"

"$molfo" --replays >"$work/list.out" 2>&1 || fail "--replays failed"
[ "$(grep -c '\.mrec$' "$work/list.out")" -eq 1 ] || fail "the game played in the window is listed once"
grep -q ' yes ' "$work/list.out" || fail "this version can verify it"
"$molfo" --headless --data-dir "$work/game" --replay last --verify >"$work/verify.out" 2>"$work/verify.err" ||
    fail "the kept game verifies with --replay last --headless --verify"
grep -q 'replay verified' "$work/verify.out" || fail "the verification says so"
first=$(ls "$replays")

# A headless run keeps nothing unless asked.
"$molfo" --headless --data-dir "$work/game" --frames 300 >/dev/null 2>&1
[ "$(ls "$replays" | wc -l)" -eq 1 ] || fail "a headless run without --keep-replays keeps nothing"

# Sixty more games in one session, each lost on stage 1 and restarted.
cat >"$work/sixty.txt" <<'SCRIPT'
title: press SHIFT
play 1-3000: hold Z LEFT
name: answer x
ranking: press Z
title#61: press ESC
SCRIPT
"$molfo" --headless --data-dir "$work/game" --input "$work/sixty.txt" --keep-replays >"$work/sixty.out" 2>"$work/sixty.err" ||
    fail "sixty headless games"
[ ! -s "$work/sixty.err" ] || fail "keeping sixty games prints nothing"
"$molfo" --replays >"$work/list.out" 2>&1 || fail "--replays failed"
grep '\.mrec$' "$work/list.out" | awk '{print $NF}' >"$work/kept.txt"
n=$(wc -l <"$work/kept.txt")
older=$((n - 50))
[ "$older" -ge 0 ] || fail "fifty games at least are kept, found $n"
head -n "$older" "$work/kept.txt" | grep -v '_best\.mrec$' >"$work/stray.txt" &&
    fail "only personal bests outlive the last fifty: $(cat "$work/stray.txt")"
[ "$(ls "$replays" | wc -l)" -eq "$n" ] || fail "the folder holds only what is listed"
bests=$(grep -c '_best\.mrec$' "$work/kept.txt")
[ "$bests" -ge 1 ] || fail "the highest game so far is a personal best"
# The window's game is older than the last fifty: it stays only if it was a
# personal best (a game whose hero bumped into a bug may have scored).
case $first in
*_best.mrec) grep -q "^$first\$" "$work/kept.txt" || fail "the window's game, a personal best, is kept" ;;
*) grep -q "^$first\$" "$work/kept.txt" && fail "the window's game (not a best) is pruned after sixty more" ;;
esac
echo "kept $n replays: the last 50 and $older older bests ($bests bests in all)"
exit 0
