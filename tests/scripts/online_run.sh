#!/bin/sh
# online_run.sh MODE PROGRAM SERVER DATADIR WORKDIR
#   submit  a headless game kept as a replay, sent with `molfo --submit last`
#           to a molfo-server of the test's own on 127.0.0.1: verified with
#           the game's own score, listed by --online-table; and what
#           --submit answers a table out of reach, a run cut short, a
#           practice start, a file that is no recording, no table at all,
#           no libcurl to reach it with
#   window  the real window (xvfb-run, xdotool) with sending on and the
#           table down: the game plays to its end as ever and the run waits
#           in the outbox; the table started, a start without libcurl keeps
#           it waiting, the next start sends it, and the verdict shows on
#           the title
set -u
mode=$1
molfo=$2
server=$3
data=$4
work=$5
rm -rf "$work"
mkdir -p "$work/game/sys" "$work/home"
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work" XDG_DATA_HOME="$work/share" XDG_CONFIG_HOME="$work/config" HOME="$work/home"
export SDL_AUDIODRIVER=dummy
# The game's files, linked; a ranking of the test's own.
for f in "$data"/sys/*; do [ "$(basename "$f")" = rank.hms ] || ln -s "$f" "$work/game/sys/"; done
replays="$work/share/molfo/replays"
outbox="$work/share/molfo/outbox"
spid=""
pid=""

stop_all() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    [ -n "$spid" ] && kill -TERM "$spid" 2>/dev/null && wait "$spid" 2>/dev/null
    spid=""
    pid=""
}
# Nothing of the test's stays behind it (the logs are shown on failure).
trap 'stop_all; rm -rf "$work"' EXIT

fail() {
    echo "FAIL ($mode): $*" >&2
    for f in "$work"/*.err "$work"/*.out "$work"/*.log; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 20 "$f" >&2; }; done
    stop_all
    exit 1
}

# Starts the table on 127.0.0.1 (port $1, 0 for any free one) and sets
# $port once it listens.
start_server() {
    # MOLFO_VERIFY_MEMORY: the verifiers' address space in MiB (0: no limit), for a sanitizer build.
    "$server" --listen "127.0.0.1:$1" --database "$work/runs.sqlite" --game "$molfo" --workers 1 \
        --submit-burst 100 ${MOLFO_VERIFY_MEMORY:+--verify-memory "$MOLFO_VERIFY_MEMORY"} >>"$work/server.log" 2>&1 &
    spid=$!
    n=0
    port=""
    while [ -z "$port" ] && [ "$n" -lt 100 ]; do
        port=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$work/server.log" | tail -n 1)
        kill -0 "$spid" 2>/dev/null || fail "the table did not start"
        [ -n "$port" ] || sleep 0.1
        n=$((n + 1))
    done
    [ -n "$port" ] || fail "the table did not listen"
}

# Presses Escape on the game's window ($wid) until the game ($pid) has
# ended, 8 s at most, and sets $rc to its status.
end_with_escape() {
    n=0
    while kill -0 "$pid" 2>/dev/null && [ "$n" -lt 16 ]; do
        xdotool windowfocus "$wid" 2>/dev/null
        xdotool key --clearmodifiers Escape 2>/dev/null
        sleep 0.5
        n=$((n + 1))
    done
    wait "$pid"
    rc=$?
    pid=""
}

stop_server() {
    kill -TERM "$spid" 2>/dev/null
    wait "$spid" 2>/dev/null
    spid=""
}

# A headless session played by the script in $1, its games kept (not read
# from a pipe: a failure here must end the script, not a subshell).
headless_games() {
    printf '%s\n' "$1" >"$work/script.txt"
    shift
    "$molfo" --headless --data-dir "$work/game" --input "$work/script.txt" --keep-replays "$@" \
        >"$work/headless.out" 2>"$work/headless.err" || fail "the headless game"
}

LOSS='title: press SHIFT
play 1-3000: hold Z LEFT
name: answer もるふぉ
ranking: press Z
title#2: press ESC'

case "$mode" in
submit)
    start_server 0
    table="http://127.0.0.1:$port"
    headless_games "$LOSS"
    kept=$(ls "$replays")
    score=$(echo "$kept" | sed -n 's/.*_\([0-9]*\)pts_.*/\1/p')
    [ -n "$score" ] || fail "the game is kept as a replay named by its score: $kept"

    "$molfo" --submit last --server "$table" >"$work/submit.out" 2>"$work/submit.err"
    rc=$?
    [ "$rc" -eq 0 ] || fail "--submit last: a verified run exits 0, got $rc"
    [ "$(wc -l <"$work/submit.out")" -eq 1 ] || fail "the verdict is one line"
    grep -q "^verified: $score points, stage 1, game over; 1st of 1 " "$work/submit.out" ||
        fail "the verified line names the game's own score, $score, and its place"

    "$molfo" --online-table --server "$table" >"$work/table.out" 2>"$work/table.err" || fail "--online-table"
    grep -Eq "^ +1 +$score +stage 1 +[0-9-]{10} +もるふぉ$" "$work/table.out" ||
        fail "--online-table lists the run with its score and the name typed in the game"
    grep -q "^1 of 1 verified runs" "$work/table.out" || fail "--online-table counts the table's runs"

    # The table from the settings file when no --server is given; another
    # name with --name. The same bytes again are the same run.
    mkdir -p "$work/config/molfo"
    printf '[online]\nserver = "%s"\n' "$table" >"$work/config/molfo/settings.toml"
    "$molfo" --submit best --name other >"$work/again.out" 2>"$work/again.err" ||
        fail "--submit best with the table from the settings"
    grep -q "^verified: $score points" "$work/again.out" || fail "the same run again is the same verdict"

    # check WHAT STATUS ARGS...: --submit exits with STATUS, one line on stderr.
    check() {
        what=$1
        want=$2
        shift 2
        "$molfo" "$@" >"$work/check.out" 2>"$work/check.err" </dev/null
        rc=$?
        [ "$rc" -eq "$want" ] || fail "$what: exit $want, got $rc"
        [ "$rc" -eq 1 ] || [ "$(wc -l <"$work/check.err")" -eq 1 ] || fail "$what: one line on stderr"
    }
    rm "$work/config/molfo/settings.toml"
    check "no table named" 2 --submit last
    echo "not a recording" >"$work/junk.mrec"
    check "a file that is no recording" 2 --submit "$work/junk.mrec" --server "$table"
    check "a file that is not there" 2 --submit "$work/missing.mrec" --server "$table"
    check "a table address that is no address" 2 --submit last --server "ftp://127.0.0.1/"
    check "--online-table without a table" 2 --online-table
    # A port nothing listens on: the table's own, once it has stopped.
    stop_server
    check "a table out of reach" 3 --submit last --server "$table"
    check "--online-table out of reach" 3 --online-table --server "$table"
    start_server "$port"
    # Without libcurl (loaded only now, to send) the table is out of reach
    # just the same, and the line says which library is missing.
    export MOLFO_LIBCURL="$work/nowhere/libcurl.so.4"
    check "--submit without libcurl" 3 --submit last --server "$table"
    grep -q "cannot load $MOLFO_LIBCURL: cannot open shared object file" "$work/check.err" ||
        fail "--submit without libcurl names the library it lacks"
    check "--online-table without libcurl" 3 --online-table --server "$table"
    grep -q "cannot load $MOLFO_LIBCURL" "$work/check.err" || fail "--online-table without libcurl says so"
    # A library that is no libcurl: refused, never called.
    export MOLFO_LIBCURL=libz.so.1
    check "--submit with a library that is no libcurl" 3 --submit last --server "$table"
    grep -q "cannot load libz.so.1: it has no curl_" "$work/check.err" || fail "a library that is no libcurl is named"
    unset MOLFO_LIBCURL
    # A practice start is refused before it is sent; a game cut short by
    # the program's end is sent, and the table's replay rejects it.
    rm -rf "$replays"
    headless_games "$LOSS" --stage 2
    check "a practice start" 2 --submit last --server "$table"
    rm -rf "$replays"
    headless_games 'title: press SHIFT
play 1-200: hold Z' --frames 250
    check "a game cut short" 1 --submit last --server "$table"
    grep -q "^rejected: " "$work/check.out" || fail "a rejected run says why in one line"
    ;;
window)
    # A free port for the table, which is down to begin with.
    start_server 0
    stop_server
    table="http://127.0.0.1:$port"
    mkdir -p "$work/config/molfo"
    printf '[online]\nserver = "%s"\nsend_runs = true\n' "$table" >"$work/config/molfo/settings.toml"
    export SDL_VIDEODRIVER=x11

    # A game lost in the window: Shift, then fire and move left. Z is let go
    # and pressed again every second (a fresh Z restarts after the game
    # over), and the name box answered whenever it is open (Return does
    # nothing in play): the game played again keeps the one before.
    "$molfo" --data-dir "$work/game" --mute 2>"$work/first.err" &
    pid=$!
    wid=$(timeout 6 xdotool search --sync --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1)
    [ -n "$wid" ] || fail "no window named Form1 appeared"
    xdotool windowfocus "$wid"
    sleep 1
    xdotool key --clearmodifiers shift
    sleep 3
    xdotool keydown Left
    t=0
    while [ -z "$(ls "$outbox" 2>/dev/null)" ] && [ "$t" -lt 150 ]; do
        kill -0 "$pid" 2>/dev/null || fail "the game ended by itself"
        xdotool keydown z
        sleep 0.5
        xdotool keyup z
        xdotool key Return
        sleep 0.5
        t=$((t + 1))
    done
    xdotool keyup Left
    [ -n "$(ls "$outbox" 2>/dev/null)" ] || fail "the game lost, the run waits in the outbox"
    # The game after it, ended by the program's end, is no run to send.
    end_with_escape
    [ "$rc" -eq 0 ] || fail "the game ends with status 0 while its table is down, got $rc"
    waiting=$(ls "$outbox" | grep '\.mrec$')
    [ "$(echo "$waiting" | wc -l)" -eq 1 ] || fail "one run waits, the game lost: $waiting"
    [ -f "$replays/$waiting" ] || fail "the run waiting is a game kept: $waiting"
    cmp -s "$outbox/$waiting" "$replays/$waiting" || fail "the run waiting is the kept replay, byte for byte"
    grep -q "cannot\|Couldn't connect" "$work/first.err" || fail "a table out of reach is told in a line"

    # The table up on the same port, but no libcurl to reach it with: the
    # sender says so and the run waits on, the game playing as ever.
    start_server "$port"
    MOLFO_LIBCURL="$work/nowhere/libcurl.so.4" "$molfo" --data-dir "$work/game" --mute 2>"$work/nocurl.err" &
    pid=$!
    wid=$(timeout 6 xdotool search --sync --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1)
    [ -n "$wid" ] || fail "no window named Form1 appeared without libcurl"
    t=0
    while ! grep -q "libcurl" "$work/nocurl.err" && [ "$t" -lt 40 ]; do sleep 0.25; t=$((t + 1)); done
    grep -q "the online table $table: cannot load $work/nowhere/libcurl.so.4: .*; 1 run waits to be sent" \
        "$work/nocurl.err" || fail "without libcurl the sender names the library and the run waits"
    end_with_escape
    [ "$rc" -eq 0 ] || fail "the game without libcurl ends with status 0, got $rc"
    [ "$(ls "$outbox" | grep '\.mrec$')" = "$waiting" ] || fail "without libcurl the run still waits in the outbox"

    # With it, the next start sends the run at once, and the verdict shows
    # on the title.
    mkdir -p "$work/home/Pictures"
    "$molfo" --data-dir "$work/game" --mute 2>"$work/second.err" &
    pid=$!
    wid=$(timeout 6 xdotool search --sync --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1)
    [ -n "$wid" ] || fail "no window named Form1 appeared the second time"
    t=0
    while [ -n "$(ls "$outbox" | grep '\.mrec$')" ] && [ "$t" -lt 120 ]; do sleep 0.5; t=$((t + 1)); done
    [ -z "$(ls "$outbox" | grep '\.mrec$')" ] || fail "the next start sends what waits in the outbox"
    grep -q "verified, [0-9]* points, 1st of 1" "$work/second.err" || fail "the run sent is verified"
    "$molfo" --online-table --server "$table" >"$work/table.out" 2>&1 || fail "--online-table"
    grep -q "^1 of 1 verified runs" "$work/table.out" || fail "the table lists the run"
    # The verdict over the title, in a picture (F12) for the eye.
    sleep 1
    xdotool windowfocus "$wid"
    xdotool key F12
    n=0
    while [ -z "$(ls "$work/home/Pictures")" ] && [ "$n" -lt 30 ]; do sleep 0.1; n=$((n + 1)); done
    shot=$(ls "$work/home/Pictures" | head -n 1)
    [ -n "$shot" ] || fail "F12 saves the title with its verdict"
    [ -z "${MOLFO_KEEP_SHOTS:-}" ] || cp "$work/home/Pictures/$shot" "$MOLFO_KEEP_SHOTS/window-verdict.png"
    end_with_escape
    [ "$rc" -eq 0 ] || fail "the second start ends with status 0, got $rc"
    ;;
*)
    fail "unknown mode"
    ;;
esac
exit 0
