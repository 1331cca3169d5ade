# Effect 15: the stage is cleared - a short fanfare.
. "$(dirname "$0")/common.sh"
part n1 0.15 square 784 vol 0.35
part n2 0.15 square 784 vol 0.35
part n3 0.15 square 784 vol 0.35
part n4 0.5 square 1047 vol 0.35
after n4 fade q 0.005 0.5 0.2
part n5 0.2 square 932 vol 0.35
part n6 0.7 square 1047 vol 0.35
after n6 fade q 0.005 0.7 0.5
chain mel n1 n2 n3 n4 n5 n6
part bass 1.85 triangle 262 vol 0.5
after bass fade q 0.01 0 0.6
mix all mel bass
after all lowpass 4000
finish all
