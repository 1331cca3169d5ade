#!/bin/sh
# loaded.sh PROGRAM LIST: the libraries LIST names (dist/molfo.dlopen), which
# the game loads itself when it first needs them, are not linked: not in
# the program's NEEDED list, not brought in by a library it is linked with
# (ldd), so a game that never uses them never maps them; and the program
# does name each, so the list is the code's. Exits 77 (skipped) without
# readelf or ldd.
set -u
program=$1
list=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
command -v readelf >/dev/null 2>&1 && command -v ldd >/dev/null 2>&1 ||
    { echo "SKIPPED: readelf or ldd is not installed"; exit 77; }
[ -f "$program" ] || fail "no program $program"
needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
[ -n "$needed" ] || fail "readelf finds no NEEDED entry in $program"
mapped=$(ldd "$program") || fail "ldd cannot list $program's libraries"
sonames=$(sed 's/#.*//' "$list" | tr -s ' \t' '\n\n' | grep .)
[ -n "$sonames" ] || fail "$list names no library"
for so in $sonames; do
    echo "$needed" | grep -qxF "$so" && fail "$program is linked with $so, which it is to load only when needed"
    echo "$mapped" | grep -qF "$so" && fail "a library $program is linked with brings $so in at every start: $mapped"
    grep -qaF "$so" "$program" || fail "$program never names $so: $list is not what the program loads"
done
echo "$(basename "$program") loads on demand: $(echo $sonames); linked: $(echo $needed)"
