# Effect 11: a hit that does not destroy - a dry metallic tick.
PEAK=-4
. "$(dirname "$0")/common.sh"
tone tick 0.06 square 1900:1100 0.5
tone ping 0.06 sine 3200 0.3
burst click 0.04 whitenoise 10000 0.5
mix all tick ping click
after all highpass 600
finish all
