#!/bin/sh
# notices.sh WORK VERSION LOADED: the licences travel with both packages
# that the Package.Deb test left in WORK/out. Each package's copyright file
# is machine-readable (DEP-5): our code under Expat and our art under
# CC-BY-4.0, every licence a paragraph names given in full (GPL-2 by
# Debian's common-licenses), none given for nothing; and every shared
# library its programs are linked with is named in it, and so is every one
# the game loads itself when it needs it (LOADED, dist/molfo.dlopen),
# which readelf cannot see. The page in molfo-server's package carries its
# About panel and the notices it links to. Exits 77 (skipped) without the
# packages or the tools.
set -u
work=$1
version=$2
loaded=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
command -v dpkg-deb >/dev/null 2>&1 && command -v readelf >/dev/null 2>&1 ||
    { echo "SKIPPED: dpkg-deb or readelf is not installed"; exit 77; }
arch=$(dpkg --print-architecture)
w=$work/notices
rm -rf "$w"
mkdir -p "$w"
trap 'rm -rf "$w"' EXIT

# A library's soname and the name its notice goes by; the C and C++
# runtimes need none.
library_name() {
    case "$1" in
        libc.so.* | libm.so.* | libgcc_s.so.* | libstdc++.so.* | ld-linux*) echo - ;;
        libSDL2-2.0.so.*) echo SDL2 ;;
        libSDL2_mixer-2.0.so.*) echo SDL2_mixer ;;
        libtomlplusplus.so.*) echo toml++ ;;
        libz.so.*) echo zlib ;;
        libcurl.so.* | libcurl-gnutls.so.*) echo libcurl ;;
        libcpp-httplib.so.*) echo cpp-httplib ;;
        libsqlite3.so.*) echo SQLite ;;
        libpq.so.*) echo libpq ;;
        libcrypto.so.* | libssl.so.*) echo OpenSSL ;;
        *) echo "?" ;;
    esac
}

# noticed PROGRAM SONAME HOW: the library's notice is in $copyright.
noticed() {
    name=$(library_name "$2")
    [ "$name" != "?" ] || fail "$1 $3 $2, which has no notice: name it in dist/$package.copyright.in and here"
    [ "$name" = - ] && return
    grep -qF "$name" "$copyright" || fail "$package's copyright does not name $name, which /$1 $3"
}

# package PROGRAM...: checks that package's copyright; the game's also
# names what the game loads.
check() {
    package=$1
    shift
    deb=$work/out/${package}_${version}_${arch}.deb
    [ -f "$deb" ] || { echo "SKIPPED: no $deb (the Package.Deb test was skipped or failed)"; exit 77; }
    dir=$w/$package
    dpkg-deb -x "$deb" "$dir" || fail "dpkg-deb cannot unpack $deb"
    copyright=$dir/usr/share/doc/$package/copyright
    [ -f "$copyright" ] || fail "$package has no /usr/share/doc/$package/copyright"
    [ "$(head -n 1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
        fail "$package's copyright must be machine-readable (its first line the Format)"
    # Paragraphs: the licences the Files paragraphs name, and those given
    # in full in paragraphs of their own.
    awk -v used="$dir/used" -v given="$dir/given" -v files="$dir/files" '
        function flush() {
            if (lic != "" && file != "") {
                n = split(lic, parts, / (or|and) /)
                for (i = 1; i <= n; i++) print parts[i] > used
                print file "\t" lic "\t" copy > files
            } else if (lic != "" && text > 0) {
                print lic > given
            }
            lic = ""; file = ""; copy = ""; text = 0; field = ""
        }
        /^$/ { flush(); next }
        /^[A-Za-z-]+:/ {
            field = $1
            value = $0
            sub(/^[A-Za-z-]+: */, "", value)
            if (field == "License:") lic = value
            if (field == "Files:") file = value
            if (field == "Copyright:") copy = value
            next
        }
        /^ / { if (field == "License:") text++; if (field == "Copyright:") copy = copy " " $0 }
        END { flush() }' "$copyright"
    sort -u "$dir/used" >"$dir/used.sorted"
    sort "$dir/given" >"$dir/given.sorted"
    [ -z "$(uniq -d "$dir/given.sorted")" ] || fail "$package's copyright gives a licence twice: $(uniq -d "$dir/given.sorted")"
    missing=$(comm -23 "$dir/used.sorted" "$dir/given.sorted" | tr '\n' ' ')
    [ -z "$missing" ] || fail "$package's copyright names licences it does not give: $missing"
    unused=$(comm -13 "$dir/used.sorted" "$dir/given.sorted" | tr '\n' ' ')
    [ -z "$unused" ] || fail "$package's copyright gives licences no paragraph names: $unused"
    grep -qxF "*	Expat	2026 the Molfo developers" "$dir/files" ||
        fail "$package's copyright must put our code (Files: *) under Expat, by the Molfo developers"
    grep -qxF "assets/*	CC-BY-4.0	2026 the Molfo developers" "$dir/files" ||
        fail "$package's copyright must put our art (Files: assets/*) under CC-BY-4.0, by the Molfo developers"
    for text in "Permission is hereby granted, free of charge" "Attribution 4.0 International Public License"; do
        grep -qF "$text" "$copyright" || fail "$package's copyright lacks the text of its licence: $text"
    done
    # Every library the programs need.
    for program in "$@"; do
        [ -f "$dir/$program" ] || fail "$package has no $program"
        for so in $(readelf -d "$dir/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
            noticed "$program" "$so" "is linked with"
        done
    done
    if [ "$package" = molfo ]; then
        for so in $(sed 's/#.*//' "$loaded"); do noticed usr/games/molfo "$so" "loads"; done
    fi
    echo "$package: $(wc -l <"$dir/files") Files paragraphs, licences $(tr '\n' ' ' <"$dir/given.sorted")"
}

check molfo usr/games/molfo
check molfo-server usr/sbin/molfo-server
# What software centres show: the same licences, and this release first.
metainfo=$w/molfo/usr/share/metainfo/io.github.molfo.metainfo.xml
[ "$(sed -n 's:.*<project_license>\(.*\)</project_license>.*:\1:p' "$metainfo")" = "MIT AND CC-BY-4.0" ] ||
    fail "the AppStream project_license must be MIT AND CC-BY-4.0"
[ "$(sed -n 's:.*<release version="\([^"]*\)".*:\1:p' "$metainfo" | head -n 1)" = "$version" ] ||
    fail "the AppStream releases must begin with this one, $version"
grep -q "IPA Font License Agreement v1.0" "$w/molfo-server/usr/share/doc/molfo-server/copyright" ||
    fail "molfo-server's copyright must give the IPA fonts' licence, whose subsets are in the page"

page=$w/molfo-server/usr/share/molfo-server/page
if [ -f "$page/index.html" ]; then
    grep -q '<details id="about">' "$page/index.html" || fail "the page has no About panel"
    grep -q 'href="notices.txt"' "$page/index.html" || fail "the About panel must link to the notices"
    for text in "Permission is hereby granted, free of charge" "Attribution 4.0 International Public License" \
        "IPA Font License Agreement v1.0" "GNU GENERAL PUBLIC LICENSE" "Version 2, June 1991" "Sean Barrett" \
        "The Emscripten Authors" "Rich Felker"; do
        grep -qF "$text" "$page/notices.txt" || fail "the page's notices.txt lacks: $text"
    done
    echo "the page: an About panel, and notices.txt of $(wc -c <"$page/notices.txt") bytes"
else
    echo "the package holds no page (none was built), so no page's notices were checked"
fi
exit 0
