#!/bin/sh
# window_run.sh MODE PROGRAM WORKDIR
#   nodisplay  no display at all: one line that suggests --headless, status not 0
#   escape     Escape ends the game from the title: status 0
#   close      close requests (SDL turns SIGTERM into one) end the game: status 0
#   second     a second copy says so in one line and ends at once with status 0
#   screenshot the window resized to 1290 x 1146, F12 saves the composed
#              645 x 573 window as a dated PNG in ~/Pictures; Escape still ends
#              the game with status 0
#   onscreen   what X shows is the picture the game holds (its F12
#              screenshot, found pixel for pixel on the screen): at 1x, after
#              a resize, after the settings page opened and closed, at 2x,
#              and at 1x again; then play's frames take the title away
#   inplay     what X shows in play is a frame the game drew (a screenshot
#              of every pass, one of them pixel for pixel on the screen),
#              at 2x, where the playfield goes through its ring, and at 1x
#   practice   --stage 5 --boss starts the first game at the fifth boss: the
#              recording, which names the start, verifies when replayed
#   replay     a minute's recording replayed in the window: Escape stops it
#              within moments, with status 0 and nothing said
set -u
mode=$1
molfo=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work"
export SDL_AUDIODRIVER=dummy

fail() {
    echo "FAIL ($mode): $*" >&2
    for f in "$work"/*.err; do [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }; done
    [ -n "${pid:-}" ] && kill -KILL "$pid" 2>/dev/null
    exit 1
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Waits up to $2 tenths of a second for process $1 to end.
wait_end() {
    n=0
    while kill -0 "$1" 2>/dev/null; do
        n=$((n + 1))
        [ "$n" -gt "$2" ] && return 1
        sleep 0.1
    done
    return 0
}

# Repeats a command every half second until the game has ended or 8 s have
# passed. A request seen by the title's opening wait only arms the end, so
# one Escape or close request is not always enough.
keep_sending() {
    t=0
    while kill -0 "$pid" 2>/dev/null && [ "$t" -lt 16 ]; do
        "$@" 2>/dev/null
        sleep 0.5
        t=$((t + 1))
    done
}

press_escape() {
    xdotool windowfocus "$wid"
    xdotool key --clearmodifiers Escape
}

# Sends Escape until the game has ended, within $1 tenths of a second, and
# checks that it ended with status 0; $2 names what Escape ends.
escape_ends() {
    keep_sending press_escape
    wait_end "$pid" "$1" || fail "Escape did not end $2"
    wait "$pid"
    rc=$?
    [ "$rc" -eq 0 ] || fail "Escape must end $2 with status 0, got $rc"
}

# Starts the game with these options and waits for its window (title "Form1").
start_game() {
    export SDL_VIDEODRIVER=x11
    "$molfo" "$@" 2>"$work/first.err" &
    pid=$!
    wid=$(timeout 6 xdotool search --sync --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1)
    [ -n "$wid" ] || fail "no window named Form1 appeared"
    kill -0 "$pid" 2>/dev/null || fail "the game ended at start-up"
}

# Saves a screenshot with F12, dumps the screen, and finds the one on the
# other at scale $1.
shown_at_scale() {
    rm -f "$HOME/Pictures/"*
    xdotool key F12
    n=0
    while [ -z "$(ls "$HOME/Pictures")" ] && [ "$n" -lt 30 ]; do sleep 0.1; n=$((n + 1)); done
    shot=$(ls "$HOME/Pictures" | head -n 1)
    [ -n "$shot" ] || fail "F12 saved no screenshot ($2)"
    xwd -root -silent >"$work/screen.xwd" || fail "the screen could not be dumped ($2)"
    python3 "$(dirname "$0")/xwd_picture.py" find "$work/screen.xwd" "$HOME/Pictures/$shot" "$1" >/dev/null 2>"$work/find.err" ||
        fail "the screen does not show the game's picture $2: $(cat "$work/find.err")"
}

case "$mode" in
nodisplay)
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$molfo" 2>"$work/nodisplay.err" >/dev/null
    rc=$?
    [ "$rc" -ne 0 ] || fail "no display must end with a non-zero status"
    [ "$(wc -l <"$work/nodisplay.err")" -eq 1 ] || fail "no display must be told in exactly one line"
    grep -q -- '--headless' "$work/nodisplay.err" || fail "the line must suggest --headless"
    grep -qi 'display' "$work/nodisplay.err" || fail "the line must say the display is missing"
    ;;
escape)
    start_game
    sleep 1
    escape_ends 20 "the game"
    ;;
close)
    start_game
    sleep 1
    keep_sending kill -TERM "$pid"
    wait_end "$pid" 20 || fail "a close request did not end the game"
    wait "$pid"
    rc=$?
    [ "$rc" -eq 0 ] || fail "a close request must end the game with status 0, got $rc"
    ;;
second)
    start_game
    t0=$(now_ms)
    timeout 5 "$molfo" 2>"$work/second.err" >/dev/null
    rc=$?
    t1=$(now_ms)
    kill -0 "$pid" 2>/dev/null || fail "the first copy must keep running"
    [ "$rc" -eq 0 ] || fail "the second copy must end with status 0, got $rc"
    [ "$(wc -l <"$work/second.err")" -eq 1 ] || fail "the second copy must say so in exactly one line"
    grep -q 'already running' "$work/second.err" || fail "the line must say the game is already running"
    [ $((t1 - t0)) -lt 2000 ] || fail "the second copy must end at once, took $((t1 - t0)) ms"
    [ "$(xdotool search --name '^Form1$' 2>/dev/null | wc -l)" -eq 1 ] || fail "the second copy opened a window"
    keep_sending kill -TERM "$pid"
    wait_end "$pid" 20 || kill -KILL "$pid"
    ;;
screenshot)
    export HOME="$work/home"
    mkdir -p "$HOME/Pictures"
    start_game
    sleep 1
    xdotool windowsize "$wid" 1290 1146
    sleep 0.5
    xdotool getwindowgeometry "$wid" | grep -q 'Geometry: 1290x1146' || fail "the window could not be resized"
    kill -0 "$pid" 2>/dev/null || fail "the game ended when its window was resized"
    xdotool windowfocus "$wid"
    xdotool key F12
    n=0
    while [ -z "$(ls "$HOME/Pictures")" ] && [ "$n" -lt 30 ]; do sleep 0.1; n=$((n + 1)); done
    shot=$(ls "$HOME/Pictures")
    [ "$(echo "$shot" | wc -l)" -eq 1 ] || fail "F12 must save exactly one screenshot, got: $shot"
    echo "$shot" | grep -Eq '^molfo-[0-9]{4}-[0-9]{2}-[0-9]{2}-[0-9]{6}\.png$' || fail "badly named screenshot $shot"
    # The PNG header's width and height: the composed window, not the scaled one.
    size=$(od -An -tu1 -j16 -N8 "$HOME/Pictures/$shot" | tr -s ' ')
    [ "$size" = " 0 0 2 133 0 0 2 61" ] || fail "the screenshot must be 645 x 573, header says$size"
    keep_sending press_escape
    wait_end "$pid" 20 || fail "Escape did not end the game after a screenshot"
    wait "$pid"
    rc=$?
    [ "$rc" -eq 0 ] || fail "the game must end with status 0 after a screenshot, got $rc"
    ;;
onscreen)
    export HOME="$work/home"
    mkdir -p "$HOME/Pictures"
    start_game
    # The title stands still once its lettering is drawn.
    sleep 2
    xdotool windowfocus "$wid"
    shown_at_scale 1 "as the window opened"
    xdotool windowsize "$wid" 800 700
    sleep 0.5
    shown_at_scale 1 "in a bigger window"
    xdotool key F1
    sleep 0.5
    xdotool key Escape
    sleep 0.5
    shown_at_scale 1 "after the settings page"
    # Without a window manager the window stays where it was: all of it on
    # the screen.
    xdotool windowmove "$wid" 0 0
    xdotool windowsize "$wid" 1290 1146
    sleep 0.5
    shown_at_scale 2 "at twice the size"
    xdotool windowsize "$wid" 645 573
    sleep 0.5
    shown_at_scale 1 "back at its own size"
    # Play moves on with no event to show the window again: only the frames
    # themselves take the title off the screen.
    xdotool key shift
    sleep 1
    xwd -root -silent >"$work/screen.xwd" || fail "the screen could not be dumped in play"
    if python3 "$(dirname "$0")/xwd_picture.py" find "$work/screen.xwd" "$HOME/Pictures/$shot" 1 >/dev/null 2>&1; then
        fail "the title still shows a second into play: the frames do not reach the screen"
    fi
    kill -0 "$pid" 2>/dev/null || fail "the game ended on the way"
    keep_sending press_escape
    wait_end "$pid" 20 || fail "Escape did not end the game"
    wait "$pid"
    rc=$?
    [ "$rc" -eq 0 ] || fail "the game must end with status 0, got $rc"
    ;;
inplay)
    export HOME="$work/home"
    mkdir -p "$HOME" "$work/shots"
    start_game --mute --screenshot-dir "$work/shots" --screenshot-every 1
    sleep 2
    xdotool windowfocus "$wid"
    xdotool windowmove "$wid" 0 0
    xdotool key shift
    xdotool keydown z
    for scale in 2 1; do
        xdotool windowsize "$wid" $((645 * scale)) $((573 * scale))
        sleep 1.5
        for i in 1 2; do
            # The frame on the screen is among the screenshots written
            # about when the screen was dumped.
            touch "$work/before"
            sleep 0.05
            xwd -root -silent >"$work/screen.xwd" || fail "the screen could not be dumped in play"
            sleep 0.1
            touch "$work/after"
            sleep 0.3
            shots=$(find "$work/shots" -name 'molfo-*.png' -newer "$work/before" ! -newer "$work/after" | sort)
            [ -n "$shots" ] || fail "no screenshot was written in play at ${scale}x"
            # shellcheck disable=SC2086
            python3 "$(dirname "$0")/xwd_picture.py" shows "$work/screen.xwd" 0 0 "$scale" $shots \
                >/dev/null 2>"$work/shows.err" ||
                fail "at ${scale}x the screen shows no frame the game drew: $(cat "$work/shows.err")"
        done
    done
    xdotool keyup z
    kill -0 "$pid" 2>/dev/null || fail "the game ended on the way"
    keep_sending press_escape
    wait_end "$pid" 20 || fail "Escape did not end the game"
    wait "$pid"
    ;;
practice)
    # Whatever the game keeps stays in the run's own folder.
    export HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config"
    mkdir -p "$HOME"
    start_game --mute --stage 5 --boss --record "$work/practice.rec"
    sleep 1
    xdotool windowfocus "$wid"
    xdotool key --clearmodifiers shift
    sleep 2
    escape_ends 20 "the practice game"
    "$molfo" --headless --replay "$work/practice.rec" --verify 2>"$work/verify.err" >/dev/null ||
        fail "the practice game played something else than its recording names"
    ;;
replay)
    export HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config"
    mkdir -p "$HOME"
    printf 'title: press SHIFT\nplay 4000: close\nname: cancel\nranking: press Z\ntitle#2: press ESC\n' >"$work/long.txt"
    "$molfo" --headless --input "$work/long.txt" --record "$work/long.rec" >/dev/null 2>"$work/record.err" ||
        fail "recording a minute's game failed"
    began=$(now_ms)
    start_game --mute --replay "$work/long.rec"
    sleep 1
    escape_ends 30 "the replay"
    [ $(($(now_ms) - began)) -lt 15000 ] || fail "the replay played on after Escape"
    [ ! -s "$work/first.err" ] || fail "a replay the viewer stopped must print nothing"
    ;;
*)
    fail "unknown mode"
    ;;
esac
exit 0
