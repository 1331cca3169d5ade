# Shared by the effect recipes: each recipe is run as `sh NAME.sh OUT.wav`,
# builds its parts in a scratch folder and finishes them into OUT.wav.
# Every effect is 22050 Hz, 16-bit mono. Each part has its own envelope and
# the finished effect fades in and out over a few milliseconds, so nothing
# starts or stops with a click. Effects peak at PEAK dBFS (-1 unless a
# recipe sets it): the songs play at half volume and sit near -22 dB RMS,
# so an effect lands well above them.
set -eu
OUT=$1
SOX=${SOX:-sox}
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
FORMAT="-r 22050 -b 16 -c 1"
PEAK=${PEAK:--1}
# A gentle compressor lifts each effect's body towards its peak, so it reads
# as loud over the music without going past PEAK; below -50 dB it leaves the
# sound alone, so tails still die away to silence.
SHAPE="compand 0.003,0.12 6:-50,-50,-30,-17,-10,-7,0,-5 0 -90 0.003"

# part NAME LENGTH SYNTH-ARGS... [EFFECTS...]: one synthesised part.
part() {
    name=$1; shift
    "$SOX" -n $FORMAT "$TMP/$name.wav" synth "$@"
}

# tone NAME LENGTH WAVE FREQ VOLUME: a struck tone that dies away over its
# whole length (FREQ may be a sweep such as 900:120).
tone() {
    decay=$(awk -v l="$2" 'BEGIN { print l - 0.003 }')
    "$SOX" -n $FORMAT "$TMP/$1.wav" synth "$2" "$3" "$4" vol "$5" fade t 0.003 "$2" "$decay"
}

# burst NAME LENGTH NOISE LOWPASS VOLUME: a noise burst that dies away.
burst() {
    decay=$(awk -v l="$2" 'BEGIN { print l - 0.002 }')
    "$SOX" -n $FORMAT "$TMP/$1.wav" synth "$2" "$3" vol 0.5 lowpass "$4" vol "$5" fade t 0.002 "$2" "$decay"
}

# after NAME EFFECTS...: runs more effects on a part in place.
after() {
    name=$1; shift
    "$SOX" "$TMP/$name.wav" "$TMP/$name.fx.wav" "$@"
    mv "$TMP/$name.fx.wav" "$TMP/$name.wav"
}

# at NAME SECONDS: delays a part so that a mix starts it later.
at() { after "$1" pad "$2"; }

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

# finish PART: no DC, the compressor, fades at both ends, the peak level and
# the format.
finish() {
    "$SOX" "$TMP/$1.wav" $FORMAT "$OUT" highpass 30 $SHAPE fade q 0.003 0 0.02 norm "$PEAK"
}
