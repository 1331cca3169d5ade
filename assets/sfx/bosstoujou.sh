# Effect 12: the boss appears - a low warning siren, twice.
. "$(dirname "$0")/common.sh"
part up 0.35 sawtooth 220-330 vol 0.5
part down 0.35 sawtooth 330-220 vol 0.5
chain all up down up down
after all lowpass 2500
finish all
