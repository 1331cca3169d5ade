# Effect 12: the boss appears - a low warning siren, twice, over a drone.
. "$(dirname "$0")/common.sh"
part w1 0.5 sawtooth 240:400 vol 0.5 fade q 0.03 0.5 0.1
part w2 0.6 sawtooth 240:400 vol 0.5 fade q 0.03 0.6 0.35
at w2 0.5
part drone 1.1 sawtooth 60 vol 0.5 fade q 0.1 1.1 0.4
after drone tremolo 8 40
mix all w1 w2 drone
after all lowpass 2200 reverb 30
finish all
