#!/bin/sh
# Builds the fuzz targets (the ranking file and the replay reader) with
# clang's libFuzzer; not part of the CMake build. Usage: fuzz/build.sh [output folder]
#
# Run it with a work folder first, so new inputs stay out of the seed corpus:
#   mkdir -p OUT/corpus && OUT/rank_fuzz -max_total_time=600 OUT/corpus fuzz/corpus/rank
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-"$root/build-fuzz"}
mkdir -p "$out"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$root/fuzz/rank_fuzz.cpp" "$root/src/screens/RankFile.cpp" "$root/src/screens/Ranking.cpp" \
  "$root/src/core/Cp932.cpp" "$root/src/i18n/Catalog.cpp" "$root/src/core/ReadFile.cpp" "$root/src/core/Printable.cpp" \
  -o "$out/rank_fuzz"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$root/fuzz/replay_fuzz.cpp" "$root/src/replay/ReplayFile.cpp" -o "$out/replay_fuzz"
echo "$out/rank_fuzz $out/replay_fuzz"
