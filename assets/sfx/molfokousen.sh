# Effect 3: the player's beam - a quick high zap.
. "$(dirname "$0")/common.sh"
part zap 0.09 square 1800-700 vol 0.4
finish zap
