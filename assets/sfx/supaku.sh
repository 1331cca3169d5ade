# Effect 6: the spark - a crackle of electric snaps.
. "$(dirname "$0")/common.sh"
burst n1 0.06 whitenoise 9000 1.0
tone z1 0.05 square 3100:1800 0.4
mix s1 n1 z1
burst n2 0.07 whitenoise 9000 0.9
tone z2 0.06 square 3800:2100 0.4
mix s2 n2 z2
at s2 0.07
burst n3 0.12 whitenoise 9000 0.8
tone z3 0.1 square 2700:1200 0.4
mix s3 n3 z3
at s3 0.15
mix all s1 s2 s3
after all highpass 900 tremolo 60 60
finish all
