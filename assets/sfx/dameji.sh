# Effect 2: the player takes a hit - a gritty double knock.
. "$(dirname "$0")/common.sh"
tone k1 0.1 sawtooth 260:110 0.8
tone k2 0.14 sawtooth 200:80 0.8
chain knock k1 k2
after knock overdrive 15 tremolo 40 50
burst grit 0.12 whitenoise 3000 0.5
mix all knock grit
after all lowpass 3500
finish all
