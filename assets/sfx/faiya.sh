# Effect 7: the fire - a roaring burst of flame.
. "$(dirname "$0")/common.sh"
part roar 0.7 brownnoise
after roar lowpass 900 fade q 0.05 0.7 0.4 tremolo 12 40
part hiss 0.7 pinknoise vol 0.3
after hiss highpass 3000 fade q 0.1 0.7 0.5
mix all roar hiss
finish all
