#!/bin/sh
# server-deb.sh WORK VERSION PAGE
#
# The molfo-server package that the Package.Deb test left in WORK/out, as an
# administrator's machine sees it: its control fields and files (with the
# browser page when PAGE, the page it was made from, was built, and without
# it, said so, when not), its systemd unit (systemd-analyze verify accepts
# it and rates its exposure 2.0 or lower), then an install of it and the
# game into a scratch root with dpkg --root, its --help and --version from
# there, the installed server started as it is (finding the installed game
# and page by itself) on a free port of 127.0.0.1, and a purge that leaves
# nothing behind. Exits 77 (skipped) when the tools or the packages are not
# there.
set -u
work=$1
version=$2
page=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIPPED: $*"
    exit 77
}

for tool in dpkg dpkg-deb dpkg-query systemd-analyze man curl; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/install-deps installs it)"
done
asroot=""
if [ "$(id -u)" -ne 0 ]; then
    command -v fakeroot >/dev/null 2>&1 || skip "not root and fakeroot is not installed"
    asroot="fakeroot"
fi
arch=$(dpkg --print-architecture)
deb=$work/out/molfo-server_${version}_${arch}.deb
game=$work/out/molfo_${version}_${arch}.deb
[ -f "$deb" ] && [ -f "$game" ] || skip "no packages in $work/out (the Package.Deb test was skipped or failed)"
w=$work/server
rm -rf "$w"
mkdir -p "$w"
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill -KILL "$server_pid" 2>/dev/null
    rm -rf "$w/root" "$w/run"
}
trap cleanup EXIT

# --- the control fields ---
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = molfo-server ] || fail "the package is called molfo-server"
[ "$(field Version)" = "$version" ] || fail "the package's version is the program's ($version), not $(field Version)"
depends=$(field Depends)
echo "$depends" | tr ',' '\n' | sed 's/^ *//' | grep -qx "molfo (= $version)" ||
    fail "Depends must name the game of the same version, whose program verifies the runs: $depends"
for dep in libc6 libstdc++6 libsqlite3-0 libpq5 libcpp-httplib0.11; do
    echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//' | grep -qx "$dep" ||
        fail "Depends must name $dep, which the server is linked with: $depends"
done
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles >"$w/conffiles" 2>/dev/null ||
    fail "the package has no conffiles"
[ "$(cat "$w/conffiles")" = /etc/default/molfo-server ] ||
    fail "/etc/default/molfo-server, and only it, is a conffile: $(cat "$w/conffiles")"
# The maintainer scripts that reload systemd and stop or restart the server
# (Package.ServerSandbox runs them under a systemd).
dpkg-deb --ctrl-tarfile "$deb" | tar -tvf - >"$w/control" || fail "dpkg-deb cannot list the control files"
for script in postinst prerm postrm; do
    grep -q "^-rwxr-xr-x .* \./$script\$" "$w/control" || fail "the package must have a $script, 755"
done

# --- the files ---
dpkg-deb -c "$deb" >"$w/contents" || fail "dpkg-deb cannot list the package"
awk '{ print substr($1, 1, 1), $1, $2, $6 }' "$w/contents" >"$w/entries"
grep -v ' \./usr/' "$w/entries" | grep -v ' \./$' | grep -v ' \./etc/$' | grep -v ' \./etc/default/' &&
    fail "the package installs under /usr, and /etc/default/molfo-server"
grep -v ' root/root ' "$w/entries" && fail "every file in the package belongs to root"
grep '^d' "$w/entries" | grep -v ' drwxr-xr-x ' && fail "every folder is 755"
grep '^-' "$w/entries" | grep -v ' \./usr/sbin/molfo-server$' | grep -v ' -rw-r--r-- ' &&
    fail "every file but the program is 644"
grep -q '^- -rwxr-xr-x root/root \./usr/sbin/molfo-server$' "$w/entries" ||
    fail "the program is /usr/sbin/molfo-server, 755"
for f in etc/default/molfo-server usr/lib/systemd/system/molfo-server.service \
    usr/share/man/man8/molfo-server.8.gz usr/share/doc/molfo-server/copyright \
    usr/share/doc/molfo-server/changelog.gz usr/share/lintian/overrides/molfo-server; do
    grep -q " \./$f\$" "$w/entries" || fail "the package must hold /$f"
done
grep -E ' \./usr/(games|share/games)/' "$w/entries" && fail "the game's own files come with the molfo package, not this one"
in_page=$(grep -c '^- .* \./usr/share/molfo-server/page/' "$w/entries")
if [ -f "$page/index.html" ]; then
    # The server serves files as they are: the page's precompressed twins
    # stay out of the package.
    built=$(find "$page" -type f ! -name '*.gz' ! -name '*.br' | wc -l)
    [ "$in_page" -eq "$built" ] ||
        fail "the package must hold the built page's $built files under /usr/share/molfo-server/page/, not $in_page"
    grep -E ' \./usr/share/molfo-server/page/.*\.(gz|br)$' "$w/entries" &&
        fail "the page's .gz and .br files, which the server never serves, are not packaged"
    for f in index.html notices.txt sw.js; do
        grep -q " \./usr/share/molfo-server/page/$f\$" "$w/entries" || fail "the page in the package lacks $f"
    done
else
    [ "$in_page" -eq 0 ] || fail "no page was built at $page, yet the package holds $in_page files of one"
    grep -q "made without the browser page" "$work/cpack.log" ||
        fail "a package made without the page must say so as it is made"
fi

# --- the unit ---
dpkg-deb -x "$deb" "$w/files" || fail "dpkg-deb cannot unpack the package"
unit=$w/files/usr/lib/systemd/system/molfo-server.service
[ "$(sed -n 's/^ExecStart=//p' "$unit")" = '/usr/sbin/molfo-server $MOLFO_SERVER_OPTIONS' ] ||
    fail "the unit runs /usr/sbin/molfo-server with the options of /etc/default/molfo-server"
for line in DynamicUser=yes StateDirectory=molfo-server ProtectSystem=strict PrivateTmp=yes NoNewPrivileges=yes \
    SystemCallFilter=@system-service 'RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX' \
    EnvironmentFile=-/etc/default/molfo-server; do
    grep -qxF "$line" "$unit" || fail "the unit must say $line"
done
# Whatever /etc/default/molfo-server is given, the server listens on
# loopback unless the administrator says otherwise.
options=$(sh -c ". '$w/files/etc/default/molfo-server' && echo \"\$MOLFO_SERVER_OPTIONS\"")
case "$options" in
    *"--listen 127.0.0.1:"*) ;;
    *) fail "/etc/default/molfo-server must keep the server on loopback: $options" ;;
esac
# systemd-analyze looks for the program at the unit's path, and for the
# manual page the unit names: both from the unpacked package.
mkdir -p "$w/unit"
sed "s|/usr/sbin/molfo-server|$w/files/usr/sbin/molfo-server|" "$unit" >"$w/unit/molfo-server.service"
MANPATH=$w/files/usr/share/man systemd-analyze verify "$w/unit/molfo-server.service" >"$w/verify.txt" 2>&1 ||
    { cat "$w/verify.txt" >&2; fail "systemd-analyze verify rejects the unit"; }
[ -s "$w/verify.txt" ] && { cat "$w/verify.txt" >&2; fail "systemd-analyze verify warns about the unit"; }
systemd-analyze security --offline=true "$unit" >"$w/security.txt" 2>&1
exposure=$(sed -n 's/.*Overall exposure level for molfo-server.service: \([0-9.]*\) .*/\1/p' "$w/security.txt")
[ -n "$exposure" ] || { cat "$w/security.txt" >&2; fail "systemd-analyze security gave no exposure level"; }
awk -v e="$exposure" 'BEGIN { exit !(e <= 2.0) }' ||
    { grep '✗' "$w/security.txt" >&2; fail "the unit's exposure is $exposure; at most 2.0 (OK) is wanted"; }

# --- install into a scratch root, the game with it ---
root=$w/root
admin=$root/var/lib/dpkg
mkdir -p "$admin/info" "$admin/updates" "$admin/triggers"
cp /var/lib/dpkg/status "$admin/status"
dpkg-query -W -f '${binary:Package}\n' | while read -r p; do : >"$admin/info/$p.list"; done
(cd "$root" && find . | sort) >"$w/root-before"
dpkg_root() {
    # The scratch root has no shell to chroot into: the maintainer scripts
    # run outside it, and do nothing for a root that is not the system's.
    $asroot dpkg --root="$root" --log="$w/dpkg.log" --force-not-root --force-script-chrootless "$@" \
        >>"$w/dpkg.out" 2>&1 || { cat "$w/dpkg.out" >&2; fail "dpkg $*"; }
}
dpkg_root --install "$game" "$deb"
for p in molfo molfo-server; do
    [ "$(dpkg-query --admindir="$admin" -W -f '${Status}' $p)" = "install ok installed" ] ||
        fail "dpkg must report $p installed"
done
program=$root/usr/sbin/molfo-server
"$program" --help >"$w/help.txt" 2>&1 || { cat "$w/help.txt" >&2; fail "molfo-server --help from /usr/sbin failed"; }
grep -q -- '--listen' "$w/help.txt" || fail "molfo-server --help must list its options"
[ "$("$program" --version)" = "molfo-server $version" ] ||
    fail "molfo-server --version from /usr/sbin must print molfo-server $version"

# The installed server, given only an address and a database, finds the
# installed game (../games/molfo) and page (../share/molfo-server/page).
mkdir -p "$w/run"
(cd "$w/run" && HOME="$w/run" exec "$program" --listen 127.0.0.1:0 --database "$w/run/runs.sqlite" --workers 1) \
    >"$w/server.log" 2>&1 &
server_pid=$!
port=""
tries=0
while [ -z "$port" ] && [ "$tries" -lt 100 ]; do
    kill -0 "$server_pid" 2>/dev/null || { cat "$w/server.log" >&2; fail "the installed server did not start"; }
    port=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$w/server.log")
    [ -z "$port" ] && sleep 0.1
    tries=$((tries + 1))
done
[ -n "$port" ] || { cat "$w/server.log" >&2; fail "the installed server never said where it listens"; }
grep -q "verifying molfo $version " "$w/server.log" ||
    { cat "$w/server.log" >&2; fail "the installed server must verify with the installed molfo $version"; }
health=$(curl -s --max-time 10 "http://127.0.0.1:$port/healthz")
[ "$health" = "{\"status\":\"ok\",\"version\":\"$version\"}" ] || fail "/healthz of the installed server said: $health"
play=$(curl -s -o /dev/null -w '%{http_code}' --max-time 10 "http://127.0.0.1:$port/play/index.html")
if [ -f "$page/index.html" ]; then
    [ "$play" = 200 ] || fail "the installed server must serve the installed page under /play/ ($play)"
else
    [ "$play" = 404 ] || fail "without a page the server serves nothing under /play/ ($play)"
fi
kill -TERM "$server_pid"
wait "$server_pid"
status=$?
server_pid=""
[ "$status" -eq 0 ] || { cat "$w/server.log" >&2; fail "the installed server must stop with 0 on SIGTERM, not $status"; }

# --- remove them ---
dpkg_root --purge molfo-server molfo
ls "$admin/info" | grep -q '^molfo' && fail "the purge left molfo's files in dpkg's database"
(cd "$root" && find . | sort) >"$w/root-after"
grep -v '^\./var/lib/dpkg/' "$w/root-after" >"$w/after-files"
grep -v '^\./var/lib/dpkg/' "$w/root-before" >"$w/before-files"
cmp -s "$w/before-files" "$w/after-files" ||
    { diff "$w/before-files" "$w/after-files" >&2; fail "removing the packages must leave nothing behind"; }

echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, installed $(field Installed-Size) KiB, $in_page files of the page;" \
    "the unit's exposure $exposure"
exit 0
