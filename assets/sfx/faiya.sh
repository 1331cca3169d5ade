# Effect 7: the fire - a roaring burst of flame.
. "$(dirname "$0")/common.sh"
part roar 0.48 brownnoise lowpass 1200 fade q 0.02 0.48 0.34
after roar overdrive 10 tremolo 16 45
part hiss 0.48 pinknoise highpass 2500 vol 0.3 fade q 0.05 0.48 0.3
tone whoosh 0.44 sawtooth 110:260 0.35
after whoosh lowpass 900
mix all roar hiss whoosh
finish all
