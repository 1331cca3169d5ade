# Effect 4: the cross is launched - a swishing blade.
. "$(dirname "$0")/common.sh"
part swish 0.35 pinknoise
after swish bandpass 2500 1.2q fade q 0.05 0.35 0.25
part ring 0.35 sine 1200-1600 vol 0.25
mix all swish ring
finish all
