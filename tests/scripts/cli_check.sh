#!/bin/sh
# cli_check.sh PROGRAM DATADIR WORKDIR
# Bad values on the command line: each is refused before anything runs, with
# status 2 and one line on stderr that names the option and shows the value
# safely (control bytes escaped, long values cut).
set -u
molfo=$1
data=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
failures=0
esc=$(printf '\033')

# refuse "what it checks" "text the line must hold" ARGS...
refuse() {
    rule=$1
    want=$2
    shift 2
    "$molfo" "$@" >"$work/out" 2>"$work/err" </dev/null
    rc=$?
    lines=$(wc -l <"$work/err")
    if [ "$rc" -ne 2 ] || [ "$lines" -ne 1 ] || ! grep -qF -- "$want" "$work/err" || grep -q "$esc" "$work/err"; then
        echo "FAIL: $rule: status $rc, $lines lines, wanted '$want':" >&2
        cat "$work/err" >&2
        failures=$((failures + 1))
    fi
}

refuse "a negative frame count" "--frames: Value -5" --headless --data-dir "$data" --frames -5
refuse "a frame count of zero" "--frames: Value 0" --headless --data-dir "$data" --frames 0
refuse "a frame count that is no number" "--frames: Value abc" --headless --data-dir "$data" --frames abc
refuse "a frame count past 2^31" "--frames: Value 2147483648" --headless --data-dir "$data" --frames 2147483648
refuse "a frame count past 2^64" "--frames" --headless --data-dir "$data" --frames 99999999999999999999
refuse "--frames without its value" "--frames" --headless --data-dir "$data" --frames
refuse "a stage past 5" "--stage: Value 9" --headless --data-dir "$data" --stage 9
refuse "a screenshot interval of 0" "--screenshot-every: Value 0" --headless --data-dir "$data" \
    --screenshot-dir "$work/shots" --screenshot-every 0
refuse "a terminal escape in a value is shown escaped" '\e[31m' --headless --data-dir "$data" --frames "${esc}[31m"
refuse "an input script from a device that never ends" "a device" --headless --data-dir "$data" --input /dev/zero --frames 5
refuse "a replay from a device that never ends" "a device" --headless --data-dir "$data" --replay /dev/zero
refuse "an unknown option" "--bogus" --bogus
# A language is a folder's name under sys/locale: a path must not lead the
# game to read (or block on) a file elsewhere.
mkdir -p "$work/x/LC_MESSAGES" && mkfifo "$work/x/LC_MESSAGES/molfo.mo"
refuse "a language that is a path" "--language" --headless --data-dir "$data" --frames 3 --language "../../../../..$work/x"
refuse "a language the game has no words for" "--language: fr not in {auto,ja" --headless --data-dir "$data" --frames 3 --language fr
refuse "a language in the window too" "--language" --language "/tmp"

long=$(head -c 100000 /dev/zero | tr '\0' 'x')
refuse "a huge value gives a short line" "bytes)" --headless --data-dir "$data" --frames "$long"
[ "$(wc -c <"$work/err")" -lt 600 ] || { echo "FAIL: the line for a 100 kB value is $(wc -c <"$work/err") bytes" >&2; failures=$((failures + 1)); }

for lang in auto ja en; do
    "$molfo" --headless --data-dir "$data" --frames 3 --language "$lang" >"$work/out" 2>"$work/err" || {
        echo "FAIL: a sound run of 3 frames in language $lang must pass" >&2
        cat "$work/err" >&2
        failures=$((failures + 1))
    }
done
[ "$failures" -eq 0 ]
