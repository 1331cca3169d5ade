# Effect 2: the player takes a hit - a short low buzz.
. "$(dirname "$0")/common.sh"
part buzz 0.16 sawtooth 140-90 vol 0.7
part grit 0.16 whitenoise vol 0.2
mix all buzz grit
after all lowpass 2000
finish all
