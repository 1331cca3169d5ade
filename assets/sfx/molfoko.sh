# Effect 1: the player is destroyed - a falling whine over a crash.
. "$(dirname "$0")/common.sh"
part whine 0.9 square 900-80 vol 0.35
part crash 0.9 brownnoise fade q 0 0.9 0.8
mix all whine crash
finish all
