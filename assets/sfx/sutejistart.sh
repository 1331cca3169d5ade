# Effect 14: a stage begins - a rising four-note call.
. "$(dirname "$0")/common.sh"
part n1 0.12 square 523 vol 0.4
part n2 0.12 square 659 vol 0.4
part n3 0.12 square 784 vol 0.4
part n4 0.45 square 1047 vol 0.4
after n4 fade q 0.005 0.45 0.35
chain all n1 n2 n3 n4
after all lowpass 4000
finish all
