# Effect 8: the spiral - a wobbling, whirling upward sweep.
. "$(dirname "$0")/common.sh"
part sweep 0.45 sine 350:1500 vol 0.6 fade q 0.01 0.45 0.25
after sweep tremolo 13 80
part twin 0.45 triangle 525:2250 vol 0.3 fade q 0.01 0.45 0.25
after twin tremolo 13 80 phaser 0.8 0.74 3 0.4 2 -t
part low 0.45 triangle 180:420 vol 0.3 fade q 0.01 0.45 0.3
mix all sweep twin low
finish all
