#!/bin/sh
# install_run.sh CMAKE BUILD_DIR WORK
set -u
cmake=$1
build=$2
work=$3
rm -rf "$work"
mkdir -p "$work/elsewhere"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; }

p=$work/prefix
[ -x "$p/bin/molfo" ] || fail "no program in bin/"
[ -f "$p/share/molfo/sys/title.bmp" ] || fail "no sys/ folder in share/molfo/"
[ -f "$p/share/molfo/sys/ending/e1.jpg" ] || fail "sys/ending/ was not installed"
[ ! -e "$p/share/molfo/sys/rank.hms" ] || fail "a ranking from the build tree was installed"
desktop=$p/share/applications/molfo.desktop
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx 'Exec=molfo' "$desktop" || fail "the desktop entry must start the installed molfo"
grep -qx 'Icon=molfo' "$desktop" || fail "the desktop entry must name the molfo icon"
grep -qx 'Type=Application' "$desktop" || fail "the desktop entry must be an application"
[ -f "$p/share/icons/hicolor/scalable/apps/molfo.svg" ] || fail "no icon where the desktop entry looks for it"
[ -f "$p/share/icons/hicolor/48x48/apps/molfo.png" ] || fail "no PNG icon for desktops that want one"
[ -f "$p/share/man/man6/molfo.6.gz" ] || fail "no manual page where man looks for it"
[ -f "$p/share/metainfo/io.github.molfo.metainfo.xml" ] || fail "no AppStream metadata for software centres"
[ ! -e "$p/games" ] && [ ! -e "$p/share/games" ] || fail "the Debian package's layout is installed only by the package"

# run PREFIX: 100 headless frames from an unrelated folder, every file the
# game opened for sound taken from PREFIX.
run() {
    (cd "$work/elsewhere" && "$1/bin/molfo" --headless --frames 100 --dump run.jsonl) \
        >"$work/run.log" 2>&1 || { cat "$work/run.log" >&2; fail "the installed program did not run ($1)"; }
    [ "$(wc -l <"$work/elsewhere/run.jsonl")" -eq 100 ] || fail "the installed program must play 100 frames"
    paths=$(grep -o '"path":"[^"]*"' "$work/elsewhere/run.jsonl" | sort -u)
    [ -n "$paths" ] || fail "the run played no sound, so where its data came from is unknown"
    echo "$paths" | grep -v "\"path\":\"$1/share/molfo/sys/" && fail "data read from outside $1/share/molfo"
    rm -f "$work/elsewhere/run.jsonl"
}

run "$p"
mv "$p" "$work/moved"
run "$work/moved"
exit 0
