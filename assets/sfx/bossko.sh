# Effect 13: the boss is destroyed - a long rolling explosion.
. "$(dirname "$0")/common.sh"
part boom 1.6 brownnoise
after boom lowpass 700 tremolo 7 50 fade q 0.005 1.6 1.3
part fall 1.6 square 500-40 vol 0.25
after fall fade q 0.005 1.6 1.4
mix all boom fall
finish all
