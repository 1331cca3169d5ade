#!/bin/sh
# manpage.sh PROGRAM MANPAGE: the manual page and `PROGRAM --help` describe
# the same options, it has the usual sections, and groff formats it without a
# warning. Used for molfo and for molfo-server.
set -u
molfo=$1
page=$2
name=$(basename "$molfo")
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$molfo" --help >"${TMPDIR:-/tmp}/molfo-help.$$" 2>&1 || fail "$name --help must succeed"
help=$(cat "${TMPDIR:-/tmp}/molfo-help.$$")
rm -f "${TMPDIR:-/tmp}/molfo-help.$$"

for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES ENVIRONMENT EXIT_STATUS EXAMPLES; do
    grep -qx "\.SH $(echo "$section" | tr _ ' ')" "$page" || fail "the manual page needs the section $section"
done
escaped=$(printf '%s' "$name" | sed 's/-/\\\\-/g')
grep -qx "$escaped"' \\- .*' "$page" || fail "NAME is '$name \\- summary', which whatis and apropos read"

# The entries of OPTIONS, one a line: the tag line after each .TP, a tab,
# then the text under it.
tab=$(printf '\t')
entries=$(awk '
    /^\.SH / { inside = ($0 == ".SH OPTIONS"); next }
    !inside { next }
    /^\.TP/ { if (entry != "") print entry; entry = ""; tag = 1; next }
    { gsub(/\\-/, "-"); entry = entry (tag ? "" : (entry ~ /\t/ ? " " : "\t")) $0; tag = 0 }
    END { if (entry != "") print entry }' "$page")
[ -n "$entries" ] || fail "OPTIONS has no .TP entries"

in_help=$(echo "$help" | grep -oE '^ +(-h,)?--[a-z-]+' | grep -oE -- '--[a-z-]+' | sort -u)
in_page=$(echo "$entries" | cut -d "$tab" -f 1 | grep -oE -- '--[a-z-]+' | sort -u)
[ "$(echo "$in_help" | wc -l)" -ge 10 ] || fail "$name --help lists too few options to compare: $in_help"
missing=$(echo "$in_help" | grep -vxF -e "$in_page")
[ -z "$missing" ] || fail "options of --help missing from the manual page's OPTIONS: $missing"
extra=$(echo "$in_page" | grep -vxF -e "$in_help")
[ -z "$extra" ] || fail "the manual page describes options that --help does not have: $extra"

# An option with a fixed set of values ("--scale-mode TEXT:{integer,fit}")
# names each of them in its entry.
echo "$help" | grep -oE -- '--[a-z-]+ [A-Z]+:\{[^}]*\}' | while read -r opt kinds; do
    text=$(echo "$entries" | awk -F "$tab" -v opt="$opt" 'index($1, opt) { print $2; exit }')
    for value in $(echo "$kinds" | sed 's/.*{//; s/}//; s/,/ /g'); do
        echo "$text" | grep -qw -- "$value" || fail "the entry for $opt must name its value $value"
    done
done || exit 1

if command -v groff >/dev/null 2>&1; then
    warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
fi
exit 0
