# Effect 5: the ring barrier - a rising, shimmering chord.
. "$(dirname "$0")/common.sh"
part a 0.45 sine 520:1040 vol 0.5 fade q 0.03 0.45 0.2
part b 0.45 sine 655:1310 vol 0.4 fade q 0.05 0.45 0.2
part c 0.45 triangle 780:1560 vol 0.3 fade q 0.08 0.45 0.2
mix all a b c
after all tremolo 18 50 chorus 0.7 0.8 30 0.4 0.3 2 -t
finish all
