# Effect 9: the bomb - a deep explosion that clears the screen.
. "$(dirname "$0")/common.sh"
part boom 1.1 brownnoise
after boom lowpass 500 fade q 0.005 1.1 1.0
part thump 0.4 sine 90-30
after thump fade q 0.005 0.4 0.35
mix all boom thump
finish all
