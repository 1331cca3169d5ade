# Effect 10: a small enemy is destroyed - a quick, crunchy pop.
. "$(dirname "$0")/common.sh"
tone pop 0.16 square 900:120 0.5
burst dust 0.2 whitenoise 5000 0.6
tone knock 0.1 sine 180:70 0.8
mix all pop dust knock
after all overdrive 6
finish all
