#!/bin/sh
# settings_run.sh MODE PROGRAM DATADIR WORKDIR
#   swapped  left and right swapped in settings.toml: holding Left moves the
#            hero right, in the window and in the kept game's replay
#   broken   a file that is not TOML, then one with a bad value: the game
#            starts each time with one line on stderr and ends with status 0
set -u
mode=$1
molfo=$2
data=$3
work=$4
rm -rf "$work"
mkdir -p "$work/game/sys" "$work/home" "$work/config/molfo"
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work" XDG_DATA_HOME="$work/share" XDG_CONFIG_HOME="$work/config" HOME="$work/home"
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11
for f in "$data"/sys/*; do [ "$(basename "$f")" = rank.hms ] || ln -s "$f" "$work/game/sys/"; done

fail() {
    echo "FAIL ($mode): $*" >&2
    for f in "$work"/*.err; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 20 "$f" >&2; }; done
    [ -n "${pid:-}" ] && kill -KILL "$pid" 2>/dev/null
    exit 1
}

start_game() {
    "$molfo" --data-dir "$work/game" 2>"$work/$1.err" &
    pid=$!
    wid=$(timeout 6 xdotool search --sync --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1)
    [ -n "$wid" ] || fail "no window named Form1 appeared"
    xdotool windowfocus "$wid"
}

end_game() {
    t=0
    while kill -0 "$pid" 2>/dev/null && [ "$t" -lt 16 ]; do
        xdotool windowfocus "$wid" 2>/dev/null
        xdotool key --clearmodifiers Escape 2>/dev/null
        sleep 0.5
        t=$((t + 1))
    done
    wait "$pid"
    rc=$?
    [ "$rc" -eq 0 ] || fail "the game must end with status 0, got $rc"
}

case "$mode" in
swapped)
    printf '[keys]\nleft = ["Right"]\nright = ["Left"]\n' >"$work/config/molfo/settings.toml"
    start_game swapped
    sleep 0.5
    xdotool key --clearmodifiers shift
    sleep 3
    xdotool keydown Left
    sleep 1.5
    xdotool keyup Left
    end_game
    [ ! -s "$work/swapped.err" ] || fail "a good settings file is read without a word"
    # The kept game, replayed headless (which reads no settings): the
    # recording holds the game's key answers, so the hero goes the same way.
    "$molfo" --headless --data-dir "$work/game" --replay last --verify --dump "$work/run.jsonl" >"$work/verify.out" \
        2>"$work/verify.err" || fail "the game played with swapped keys verifies"
    xs=$(grep -o '"slot":3,[^}]*' "$work/run.jsonl" | sed 's/.*"X":\([-0-9]*\).*/\1/' | sort -n)
    [ -n "$xs" ] || fail "the hero is in the dump"
    lo=$(echo "$xs" | head -n 1)
    hi=$(echo "$xs" | tail -n 1)
    [ "$lo" -ge 225 ] || fail "holding Left, bound to move right, never moved the hero left of 225 (got $lo)"
    [ "$hi" -gt 260 ] || fail "holding Left, bound to move right, moved the hero right (got at most $hi)"
    ;;
broken)
    printf 'music_volume = \n[keys\n' >"$work/config/molfo/settings.toml"
    start_game broken
    sleep 1
    end_game
    [ "$(wc -l <"$work/broken.err")" -eq 1 ] || fail "a broken file costs exactly one line"
    grep -q 'settings.toml: line 1' "$work/broken.err" || fail "the line names the file and where it breaks"
    grep -q 'default settings' "$work/broken.err" || fail "the line says the defaults are used"

    printf 'music_volume = 300\nscale_mode = "fit"\n' >"$work/config/molfo/settings.toml"
    start_game badvalue
    sleep 1
    end_game
    [ "$(wc -l <"$work/badvalue.err")" -eq 1 ] || fail "one bad value costs exactly one line"
    grep -q 'music_volume = 300 .*using the default, 100' "$work/badvalue.err" ||
        fail "the line names the key and that setting's default"
    ;;
*)
    fail "unknown mode"
    ;;
esac
exit 0
