# Effect 9: the bomb - a deep explosion that clears the screen, with a
# rumbling tail.
. "$(dirname "$0")/common.sh"
burst boom 1.6 brownnoise 900 1.0
after boom overdrive 8 reverb 40 50 60
tone thump 0.5 sine 95:28 1.0
burst crack 0.25 whitenoise 7000 0.5
tone drop 0.8 sawtooth 300:40 0.2
after drop lowpass 600
mix all boom thump crack drop
finish all
