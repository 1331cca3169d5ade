#!/bin/sh
# window_files.sh MODE PROGRAM DATADIR WORKDIR
# The real window (xvfb-run, xdotool) meeting the player's files:
#   unchanged  a hand-written settings file, F1 then Escape: byte for byte unchanged
#   volume     the same, the music turned down on the page: that value alone
#              changes, the comments and a key of another version stay
#   typo       a file with a typo is left alone until the player changes
#              something; then it is kept as settings.toml.bad first
#   link       settings.toml a link into a dotfiles folder: written through, a link still
#   pipe       settings.toml a named pipe no one writes: the window opens and
#              stays, one line; a change on the page is not written over it
#   loop       settings.toml a loop of links: one line saying so, and a change on
#              the page never replaces it
#   huge       a settings file of 300 KB: one line giving the limit in KB
#   dotted     60 KB of dotted keys (it crashed the parser): the window opens and stays, one line
#   bom        a character after a key that the parser mishandles: likewise
#   hup        SIGHUP in play (the terminal closed): the game ends as with
#              Escape, status 0, and the game is kept as a replay that verifies
#   nohup      SIGHUP to a game started ignoring it (nohup): it plays on
#   quit       SIGQUIT in play: the same game kept, then the program dies of SIGQUIT
set -u
mode=$1
molfo=$2
data=$3
work=$4
rm -rf "$work"
mkdir -p "$work/game/sys" "$work/home" "$work/config/molfo" "$work/dotfiles"
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work" XDG_DATA_HOME="$work/share" XDG_CONFIG_HOME="$work/config" HOME="$work/home"
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11
for f in "$data"/sys/*; do [ "$(basename "$f")" = rank.hms ] || ln -s "$f" "$work/game/sys/"; done
settings="$work/config/molfo/settings.toml"
replays="$work/share/molfo/replays"

fail() {
    echo "FAIL ($mode): $*" >&2
    for f in "$work"/*.err; do [ -f "$f" ] && { echo "--- $f" >&2; tail -n 20 "$f" >&2; }; done
    [ -n "${pid:-}" ] && kill -KILL "$pid" 2>/dev/null
    exit 1
}

start_game() {
    # A job put in the background by a shell ignores SIGQUIT: a player's
    # game, started from a terminal, does not. HUP as $hangup says.
    perl -e '$SIG{QUIT} = "DEFAULT"; $SIG{HUP} = shift; exec @ARGV or die' "${hangup:-DEFAULT}" \
        "$molfo" --data-dir "$work/game" 2>"$work/game.err" </dev/null &
    pid=$!
    wid=$(timeout 8 xdotool search --sync --onlyvisible --name '^Form1$' 2>/dev/null | head -n 1)
    [ -n "$wid" ] || fail "no window named Form1 appeared"
    xdotool windowfocus "$wid"
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "the game ended at start-up"
}

key() {
    xdotool windowfocus "$wid" 2>/dev/null
    xdotool key --clearmodifiers "$@"
    sleep 0.4
}

# F1 on the title, the keys given on the page, then Escape to leave it.
page() {
    key F1
    for k in "$@"; do key "$k"; done
    key Escape
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

# Starts a game, plays it a moment, sends the signal once and waits.
signal_in_play() {
    start_game
    key shift
    sleep 2
    xdotool keydown Left
    sleep 1
    xdotool keyup Left
    kill "-$1" "$pid"
    t=0
    while kill -0 "$pid" 2>/dev/null && [ "$t" -lt 100 ]; do sleep 0.1; t=$((t + 1)); done
    kill -0 "$pid" 2>/dev/null && fail "SIG$1 once did not end the game within 10 s"
    wait "$pid"
    rc=$?
}

one_line() {
    [ "$(wc -l <"$work/game.err")" -eq "$1" ] || fail "$2: expected $1 line(s) on stderr"
}

verify_kept() {
    [ "$(ls "$replays" 2>/dev/null | grep -c '\.mrec$')" -eq 1 ] || fail "the game in play is kept as a replay"
    "$molfo" --headless --data-dir "$work/game" --replay last --verify >"$work/verify.out" 2>"$work/verify.err" ||
        fail "the kept game verifies"
}

hand_written='# my settings, by hand
music_volume = 35   # quiet, the neighbours
effect_volume = 20
speed = 2           # a setting of a later version

[keys]
left = ["A"]        # WASD
right = ["D"]
'

case "$mode" in
unchanged)
    printf '%s' "$hand_written" >"$settings"
    cp "$settings" "$work/before"
    inode=$(stat -c %i "$settings")
    start_game
    page
    end_game
    cmp -s "$settings" "$work/before" || fail "the hand-written file must stay byte for byte"
    [ "$(stat -c %i "$settings")" = "$inode" ] || fail "the file must not even be written again"
    ;;
volume)
    printf '%s' "$hand_written" >"$settings"
    start_game
    page Left
    end_game
    printf '%s' "$hand_written" | sed 's/^music_volume = 35 /music_volume = 25 /' >"$work/want"
    cmp -s "$settings" "$work/want" || { diff "$work/want" "$settings" >&2; fail "only the music volume changes"; }
    ;;
typo)
    printf 'music_volume = 35\nfullscreen = yes\n[keys]\nleft = ["A"]\n' >"$settings"
    cp "$settings" "$work/before"
    start_game
    page
    end_game
    cmp -s "$settings" "$work/before" || fail "a broken file is left alone when nothing changes"
    [ ! -e "$settings.bad" ] || fail "no copy is made for nothing"
    start_game
    page Left
    end_game
    cmp -s "$settings.bad" "$work/before" || fail "the broken file is kept as settings.toml.bad before a new one"
    grep -q '^music_volume = 90' "$settings" || fail "the new file holds the change"
    grep -q 'settings.toml.bad' "$work/game.err" || fail "a line says where the old file went"
    ;;
link)
    printf '%s' "$hand_written" >"$work/dotfiles/molfo.toml"
    ln -s ../../dotfiles/molfo.toml "$settings"
    start_game
    page Left
    end_game
    [ -L "$settings" ] || fail "the link stays a link"
    grep -q '^music_volume = 25 ' "$work/dotfiles/molfo.toml" || fail "the file the link names is written"
    grep -q '^speed = 2' "$work/dotfiles/molfo.toml" || fail "with its other lines"
    ;;
pipe)
    mkfifo "$settings"
    start_game
    one_line 1 "a pipe costs one line"
    grep -q 'named pipe' "$work/game.err" || fail "the line says what is there"
    page Left
    end_game
    [ -p "$settings" ] || fail "the pipe is never written over"
    grep -q 'not saved' "$work/game.err" || fail "a line says the change was not saved"
    ;;
loop)
    ln -s settings.toml "$settings"
    start_game
    one_line 1 "a loop costs one line"
    grep -q 'loop of symbolic links' "$work/game.err" || fail "the line says what is there"
    page Left
    end_game
    [ -L "$settings" ] && [ "$(readlink "$settings")" = settings.toml ] || fail "the loop is never replaced"
    grep -q 'not saved' "$work/game.err" || fail "a line says the change was not saved"
    ;;
huge)
    head -c 300000 /dev/zero | tr '\0' '\n' >"$settings"
    start_game
    one_line 1 "a huge file costs one line"
    grep -q 'larger than 64 KB' "$work/game.err" || fail "the line gives the limit as it is"
    end_game
    ;;
dotted)
    awk 'BEGIN { s = "[a"; for (i = 0; i < 29999; i++) s = s ".a"; print s "]" }' >"$settings"
    start_game
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "the window stays up"
    one_line 1 "dotted keys cost one line"
    grep -q 'more than 8 dots' "$work/game.err" || fail "the line says what is wrong"
    end_game
    ;;
bom)
    printf 'language\357\273\237 = "en"\n' >"$settings"
    start_game
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "the window stays up"
    one_line 1 "a stray character costs one line"
    grep -q 'past ASCII' "$work/game.err" || fail "the line says what is wrong"
    end_game
    ;;
hup)
    signal_in_play HUP
    [ "$rc" -eq 0 ] || fail "SIGHUP ends the game as a close request does, status 0 (got $rc)"
    verify_kept
    ;;
nohup)
    hangup=IGNORE
    start_game
    kill -HUP "$pid"
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "a game started with nohup plays on after SIGHUP"
    end_game
    ;;
quit)
    ulimit -c 0
    signal_in_play QUIT
    [ "$rc" -eq $((128 + 3)) ] || fail "the program dies of SIGQUIT after keeping the game (got status $rc)"
    verify_kept
    ;;
*)
    fail "unknown mode"
    ;;
esac
exit 0
