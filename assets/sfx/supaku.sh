# Effect 6: the spark - a crackle of electric snaps.
. "$(dirname "$0")/common.sh"
part n1 0.05 whitenoise
part s1 0.03 square 2400 vol 0.5
part n2 0.06 whitenoise vol 0.7
part s2 0.04 square 3000 vol 0.5
part n3 0.08 whitenoise vol 0.5
chain all n1 s1 n2 s2 n3
after all highpass 1500
finish all
