# Shared by the effect recipes: each recipe is run as `sh NAME.sh OUT.wav`,
# builds its parts in a scratch folder and finishes them into OUT.wav.
# Every effect is 22050 Hz, 16-bit mono, with short fades at both ends so it
# starts and stops without a click.
set -eu
OUT=$1
SOX=${SOX:-sox}
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
FORMAT="-r 22050 -b 16 -c 1"

# part NAME LENGTH SYNTH-ARGS... [; EFFECTS...]: one synthesised part.
part() {
    name=$1; shift
    "$SOX" -n $FORMAT "$TMP/$name.wav" synth "$@"
}

# after NAME EFFECTS...: runs more effects on a part in place.
after() {
    name=$1; shift
    "$SOX" "$TMP/$name.wav" "$TMP/$name.fx.wav" "$@"
    mv "$TMP/$name.fx.wav" "$TMP/$name.wav"
}

# chain OUTNAME PARTS...: the parts one after another.
chain() {
    name=$1; shift
    files=""
    for p in "$@"; do files="$files $TMP/$p.wav"; done
    "$SOX" $files "$TMP/$name.wav"
}

# mix OUTNAME PARTS...: the parts played together.
mix() {
    name=$1; shift
    files=""
    for p in "$@"; do files="$files $TMP/$p.wav"; done
    "$SOX" -m $files "$TMP/$name.wav"
}

# finish PART: fades, level and format of the final file.
finish() {
    "$SOX" "$TMP/$1.wav" $FORMAT "$OUT" fade q 0.004 0 0.03 norm -3
}
