# Effect 4: the cross is launched - a swishing blade with a ring on top.
. "$(dirname "$0")/common.sh"
part swish 0.36 pinknoise fade q 0.08 0.36 0.26
after swish bandpass 2800 1.5q flanger 0 3 0 70 4
tone ring 0.36 sine 1500:2600 0.35
tone ring2 0.3 triangle 2250:3900 0.2
at ring2 0.04
mix all swish ring ring2
finish all
