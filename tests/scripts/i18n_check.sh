#!/bin/sh
# i18n_check.sh SOURCEDIR WORKDIR XGETTEXT MSGCMP CODE... -- SOURCE...
set -u
src=$1 work=$2 xgettext=$3 msgcmp=$4
shift 4
codes=""
while [ "$1" != "--" ]; do codes="$codes $1"; shift; done
shift
mkdir -p "$work"
cd "$src" || exit 1
"$xgettext" --from-code=UTF-8 --language=C++ --keyword=N_ -o "$work/molfo.pot" "$@" 2>"$work/xgettext.err" || {
    cat "$work/xgettext.err" >&2; echo "FAIL: xgettext could not read the sources" >&2; exit 1; }
grep -q '^msgid "..*"' "$work/molfo.pot" || { echo "FAIL: no marked text found in the sources" >&2; exit 1; }
status=0
for code in $codes; do
    LC_ALL=C.UTF-8 "$msgcmp" "po/$code.po" "$work/molfo.pot" || {
        echo "FAIL: po/$code.po must translate every text the game shows (above: the ones it lacks)" >&2; status=1; }
done
exit $status
