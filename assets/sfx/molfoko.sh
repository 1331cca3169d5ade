# Effect 1: the player is destroyed - a falling whine torn apart by a crash.
. "$(dirname "$0")/common.sh"
tone whine 0.75 square 1400:90 0.35
after whine tremolo 22 60
burst crash 0.9 brownnoise 1800 1.0
after crash overdrive 12
tone thump 0.35 sine 120:35 0.9
burst grit 0.3 whitenoise 6000 0.4
at grit 0.05
mix all whine crash thump grit
finish all
