# Effect 15: the stage is cleared - a short, bright fanfare.
. "$(dirname "$0")/common.sh"
tone g1 0.12 square 784 0.35
tone g2 0.12 square 784 0.35
at g2 0.11
tone g3 0.12 square 784 0.35
at g3 0.22
tone c1 0.4 square 1047 0.4
at c1 0.33
tone bb 0.2 square 932 0.35
at bb 0.55
tone c2 0.6 square 1047 0.4
at c2 0.72
part chord1 0.55 triangle 262 triangle 330 vol 0.5 fade q 0.02 0.55 0.2
at chord1 0.33
part chord2 0.6 triangle 262 triangle 392 vol 0.5 fade q 0.02 0.6 0.45
at chord2 0.72
mix all g1 g2 g3 c1 bb c2 chord1 chord2
after all lowpass 5000 reverb 20
finish all
