# Effect 16: an item is picked up - a bright two-note ping.
. "$(dirname "$0")/common.sh"
part a 0.08 sine 1319 vol 0.6
part b 0.2 sine 1976 vol 0.6
after b fade q 0.002 0.2 0.18
chain all a b
finish all
