# Effect 13: the boss is destroyed - a string of blasts ending in a huge one.
. "$(dirname "$0")/common.sh"
burst b1 0.35 brownnoise 1500 0.8
burst b2 0.35 brownnoise 1300 0.8
at b2 0.18
burst b3 0.35 brownnoise 1100 0.8
at b3 0.36
burst big 1.3 brownnoise 900 1.0
after big overdrive 10
at big 0.55
tone thump 0.5 sine 90:28 1.0
at thump 0.55
tone fall 1.2 square 700:50 0.2
after fall lowpass 1500
mix all b1 b2 b3 big thump fall
after all reverb 40 50 70
finish all
