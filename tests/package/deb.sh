#!/bin/sh
# deb.sh CPACK BUILD_DIR WORK VERSION LOADED
#
# Builds the Debian package with CPack and checks it as a player's machine
# would see it: the control fields and the files it holds, then an install
# into a scratch root whose package database is a copy of this machine's
# (so the Depends line must really be satisfied here, and nothing of this
# machine is touched), `molfo --version` and 100 headless frames from
# /usr/games, and a purge that must leave nothing behind. Exits 77 (skipped)
# when the Debian tools are not there. The package stays in WORK/out for
# the lintian test. LOADED (dist/molfo.dlopen) lists the libraries the game
# loads itself, which dpkg-shlibdeps cannot see: the packages that have
# them here must be among the Depends.
set -u
cpack=$1
build=$2
work=$3
version=$4
loaded=$5

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIPPED: $*"
    exit 77
}

for tool in dpkg dpkg-deb dpkg-query dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/install-deps installs it)"
done
# dpkg installs into the scratch root as root only; elsewhere fakeroot
# stands in for root.
asroot=""
if [ "$(id -u)" -ne 0 ]; then
    command -v fakeroot >/dev/null 2>&1 || skip "not root and fakeroot is not installed"
    asroot="fakeroot"
fi

rm -rf "$work"
mkdir -p "$work/out" "$work/elsewhere" "$work/home"

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack could not make the package"; }
rm -rf "$work/out/_CPack_Packages"
set -- "$work"/out/molfo_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "cpack must make exactly one molfo_*.deb, made: $*"
deb=$1
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "molfo_${version}_${arch}.deb" ] || fail "the package is named molfo_VERSION_ARCH.deb: $deb"

# --- the control fields ---
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = molfo ] || fail "the package is called molfo"
[ "$(field Version)" = "$version" ] || fail "the package's version is the program's ($version), not $(field Version)"
[ "$(field Section)" = games ] || fail "the package goes in section games"
[ "$(field Architecture)" = "$arch" ] || fail "the package is built for this machine's architecture"
depends=$(field Depends)
# Pictures and text go through stb, compiled in: no SDL2_image, SDL2_ttf or
# fontconfig to depend on.
for dep in libc6 libstdc++6 libsdl2-2.0-0 libsdl2-mixer-2.0-0 \
    timgm6mb-soundfont fonts-ipafont-gothic; do
    echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//' | grep -qx "$dep" ||
        fail "Depends must name $dep (the linked libraries, the soundfont, the Japanese font): $depends"
done
for so in $(sed 's/#.*//' "$loaded"); do
    # The package that has the library on this machine (Debian's own).
    dep=$(dpkg -S "*/$so" 2>/dev/null | sed -n '1s/:.*//p')
    [ -n "$dep" ] || fail "no installed package has $so, which the game loads (scripts/install-deps installs it)"
    echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//' | grep -qx "$dep" ||
        fail "Depends must name $dep by hand (dist/Package.cmake): the game loads its $so, unseen by dpkg-shlibdeps"
done

# --- the files ---
dpkg-deb -c "$deb" >"$work/contents" || fail "dpkg-deb cannot list the package"
# Type, mode, owner and path of every entry.
awk '{ print substr($1, 1, 1), $1, $2, $6 }' "$work/contents" >"$work/entries"
grep -v ' \./usr/' "$work/entries" | grep -v ' \./$' && fail "the package installs only under /usr"
grep -v ' root/root ' "$work/entries" && fail "every file in the package belongs to root"
grep '^d' "$work/entries" | grep -v ' drwxr-xr-x ' && fail "every folder is 755"
grep '^-' "$work/entries" | grep -v ' \./usr/games/molfo$' | grep -v ' -rw-r--r-- ' &&
    fail "every file but the program is 644"
grep -q '^- -rwxr-xr-x root/root \./usr/games/molfo$' "$work/entries" || fail "the program is /usr/games/molfo, 755"
grep -q 'rank\.hms' "$work/entries" && fail "a ranking from the build tree was packaged"
grep -q ' \./usr/bin/' "$work/entries" && fail "Debian puts games in /usr/games, not /usr/bin"
for f in share/games/molfo/sys/title.bmp share/games/molfo/sys/ending/e1.jpg \
    share/applications/molfo.desktop share/metainfo/io.github.molfo.metainfo.xml \
    share/icons/hicolor/scalable/apps/molfo.svg share/man/man6/molfo.6.gz \
    share/doc/molfo/copyright share/doc/molfo/changelog.gz; do
    grep -q " \./usr/$f\$" "$work/entries" || fail "the package must hold /usr/$f"
done
for size in 16 22 24 32 48 64 128 256; do
    grep -q " \./usr/share/icons/hicolor/${size}x${size}/apps/molfo\.png\$" "$work/entries" ||
        fail "the package must hold the ${size}x${size} icon"
done

# --- install into a scratch root ---
root=$work/root
admin=$root/var/lib/dpkg
mkdir -p "$admin/info" "$admin/updates" "$admin/triggers"
# This machine's installed packages, without their files: dpkg then checks
# the Depends line against them for real.
cp /var/lib/dpkg/status "$admin/status"
dpkg-query -W -f '${binary:Package}\n' | while read -r p; do : >"$admin/info/$p.list"; done
(cd "$root" && find . | sort) >"$work/root-before"
dpkg_root() {
    $asroot dpkg --root="$root" --log="$work/dpkg.log" --force-not-root "$@" \
        >>"$work/dpkg.out" 2>&1 || { cat "$work/dpkg.out" >&2; fail "dpkg $*"; }
}
dpkg_root --install "$deb"
[ "$(dpkg-query --admindir="$admin" -W -f '${Status}' molfo)" = "install ok installed" ] ||
    fail "dpkg must report molfo installed"

program=$root/usr/games/molfo
[ "$("$program" --version)" = "molfo $version" ] || fail "molfo --version from /usr/games must print molfo $version"

# 100 frames from an unrelated folder, every sound file taken from the
# installed data, and nothing under /usr changed by playing.
# Every name, and every file's size and time (a folder's time may move when
# the game tries whether it can write there).
usr_state() { (cd "$root/usr" && { find . -type d; find . ! -type d -exec stat -c '%n %s %Y' {} +; } | sort); }
usr_state >"$work/usr-before"
(cd "$work/elsewhere" && HOME="$work/home" XDG_DATA_HOME="$work/home/data" \
    "$program" --headless --frames 100 --dump run.jsonl) >"$work/run.log" 2>&1 ||
    { cat "$work/run.log" >&2; fail "the installed program did not run"; }
[ "$(wc -l <"$work/elsewhere/run.jsonl")" -eq 100 ] || fail "the installed program must play 100 frames"
paths=$(grep -o '"path":"[^"]*"' "$work/elsewhere/run.jsonl" | sort -u)
[ -n "$paths" ] || fail "the run played no sound, so where its data came from is unknown"
echo "$paths" | grep -v "\"path\":\"$root/usr/share/games/molfo/sys/" &&
    fail "data read from outside /usr/share/games/molfo/sys"
usr_state >"$work/usr-after"
cmp -s "$work/usr-before" "$work/usr-after" ||
    { diff "$work/usr-before" "$work/usr-after" >&2; fail "playing must not write under /usr"; }

# --- remove it ---
dpkg_root --purge molfo
[ -z "$(dpkg-query --admindir="$admin" -W -f '${Status}' molfo 2>/dev/null)" ] ||
    fail "after the purge dpkg must no longer know molfo"
ls "$admin/info" | grep -q '^molfo\.' && fail "the purge left molfo's files list in dpkg's database"
(cd "$root" && find . | sort) >"$work/root-after"
# dpkg's own bookkeeping aside (molfo's entries in it are checked above),
# the root is as it was.
grep -v '^\./var/lib/dpkg/' "$work/root-after" >"$work/after-files"
grep -v '^\./var/lib/dpkg/' "$work/root-before" >"$work/before-files"
cmp -s "$work/before-files" "$work/after-files" ||
    { diff "$work/before-files" "$work/after-files" >&2; fail "removing the package must leave nothing behind"; }

rm -rf "$root" "$work/elsewhere" "$work/home"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, installed $(field Installed-Size) KiB"
exit 0
