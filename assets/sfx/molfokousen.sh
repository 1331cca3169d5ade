# Effect 3: the player's beam - a quick bright zap. It fires all the time,
# so it sits a little lower than the other effects.
PEAK=-5
. "$(dirname "$0")/common.sh"
tone zap 0.11 square 2600:800 0.5
tone body 0.11 sine 1300:400 0.6
mix all zap body
after all lowpass 7000
finish all
