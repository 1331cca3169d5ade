# Effect 14: a stage begins - a rising four-note call over a held chord.
. "$(dirname "$0")/common.sh"
tone n1 0.3 square 523 0.35
tone n2 0.3 square 659 0.35
at n2 0.1
tone n3 0.3 square 784 0.35
at n3 0.2
tone n4 0.55 square 1047 0.4
at n4 0.3
part chord 0.85 triangle 262 triangle 392 vol 0.5 fade q 0.05 0.85 0.45
mix all n1 n2 n3 n4 chord
after all lowpass 5000 reverb 20
finish all
