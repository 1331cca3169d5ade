# Effect 10: a small enemy is destroyed - a quick pop.
. "$(dirname "$0")/common.sh"
part pop 0.14 square 700-150 vol 0.5
part dust 0.14 whitenoise vol 0.3
after dust fade q 0 0.14 0.12
mix all pop dust
finish all
