# Effect 5: the ring barrier - a rising shimmer.
. "$(dirname "$0")/common.sh"
part a 0.45 sine 600-1200 vol 0.5
part b 0.45 sine 900-1800 vol 0.35
mix ab a b
"$SOX" "$TMP/ab.wav" "$TMP/all.wav" tremolo 18 60
finish all
