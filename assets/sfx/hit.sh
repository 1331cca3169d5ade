# Effect 11: a hit that does not destroy - a dry tick.
. "$(dirname "$0")/common.sh"
part tick 0.05 square 1400-900 vol 0.4
part click 0.05 whitenoise vol 0.3
mix all tick click
after all highpass 600
finish all
