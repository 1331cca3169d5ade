#!/bin/sh
# picture_words_check.sh WORDS ASSETGEN MO CODE
# WORDS (the build's picture-words.sh) lists the Japanese words drawn into
# pictures that the catalog MO, compiled from po/CODE.po, does not translate:
# there must be none.
set -u
left=$(sh "$1" "$2" --words "$3") || exit 1
[ -z "$left" ] && exit 0
echo "FAIL: po/$4.po must translate every word drawn into a picture; it lacks:" >&2
echo "$left" >&2
exit 1
