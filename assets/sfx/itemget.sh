# Effect 16: an item is picked up - a bright rising three-note ping.
. "$(dirname "$0")/common.sh"
tone a 0.12 sine 1319 0.6
tone b 0.14 sine 1760 0.6
at b 0.05
tone c 0.25 sine 2637 0.6
at c 0.1
tone sparkle 0.3 triangle 5274 0.15
at sparkle 0.1
mix all a b c sparkle
finish all
