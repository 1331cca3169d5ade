# Effect 8: the spiral - a wobbling, whirling sweep.
. "$(dirname "$0")/common.sh"
part sweep 0.55 sine 400-1400 vol 0.6
after sweep tremolo 14 80
part low 0.55 triangle 200-500 vol 0.3
mix all sweep low
finish all
