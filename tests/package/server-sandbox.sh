#!/bin/sh
# server-sandbox.sh WORK VERSION
#
# molfo-server run by systemd under the unit its package ships, sandbox and
# all, to show that the server works inside it: a systemd of the test's
# own, started as the first process of new process, mount and cgroup
# namespaces, where the packages that the Package.Deb test left in WORK/out
# lie over /usr and everything of the host is read-only (its /run, /tmp,
# /var/tmp and /var/lib are empty memory). The unit is the packaged one; a
# drop-in only moves the server to a free port and its output to a file.
# The cases:
#   as packaged          it starts as a user of its own, without privileges,
#                        under the system call filter, and verifies a game
#                        the installed molfo played, with that game's score;
#                        an upgrade's postinst restarts it, a removal's
#                        prerm stops it
#   setrlimit forbidden  a filter that forbids the verifiers' limits: the
#                        server refuses to start, and says why
# Exits 77 (skipped) where a systemd cannot be started so: not root, no
# systemd, no cgroup v2, no namespaces, or no packages.
set -u
work=$1
version=$2

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIPPED: $*"
    exit 77
}

[ "$(id -u)" -eq 0 ] || skip "a systemd of the test's own needs root"
[ -x /lib/systemd/systemd ] || skip "systemd is not installed (scripts/install-deps installs it)"
for tool in unshare nsenter dpkg dpkg-deb curl; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
arch=$(dpkg --print-architecture)
deb=$work/out/molfo-server_${version}_${arch}.deb
game=$work/out/molfo_${version}_${arch}.deb
[ -f "$deb" ] && [ -f "$game" ] || skip "no packages in $work/out (the Package.Deb test was skipped or failed)"
# The cgroup v2 hierarchy, alone or beside v1's.
if [ "$(stat -f -c %T /sys/fs/cgroup 2>/dev/null)" = cgroup2fs ]; then
    cgroot=/sys/fs/cgroup
elif [ "$(stat -f -c %T /sys/fs/cgroup/unified 2>/dev/null)" = cgroup2fs ]; then
    cgroot=/sys/fs/cgroup/unified
else
    skip "no cgroup v2 hierarchy to give the test's systemd"
fi
unshare --pid --fork --mount --cgroup --mount-proc true 2>/dev/null || skip "cannot make namespaces here"

w=$work/sandbox
rm -rf "$w"
mkdir -p "$w/units" "$w/kept"
# The test's cgroups go under this process's own.
mine=$(sed -n 's/^0::\(.*\)$/\1/p' /proc/self/cgroup)
cgbase=$cgroot${mine%/}/molfo-sandbox-$$
sd=""
keeper=""
stop() {
    [ -n "$sd" ] && kill -KILL "$sd" 2>/dev/null
    [ -n "$keeper" ] && wait "$keeper" 2>/dev/null
    sd=""
    keeper=""
    # The namespace's processes are gone with its first; their cgroups go
    # once the kernel has let go of them.
    tries=0
    while [ -d "$cgbase" ] && [ "$tries" -lt 50 ]; do
        find "$cgbase" -depth -type d -exec rmdir {} \; 2>/dev/null
        [ -d "$cgbase" ] && sleep 0.1
        tries=$((tries + 1))
    done
}
cleanup() {
    stop
    rm -rf "$w"
}
trap cleanup EXIT

root=$w/root
# Where the namespace sees $w: a folder every Debian system has (what it
# holds is hidden inside the namespace alone), outside what the sandbox hides.
inside=/mnt
[ -d "$inside" ] || skip "no $inside to show the test's files inside the sandbox"
for d in "$game" "$deb"; do
    dpkg-deb -x "$d" "$root" || fail "dpkg-deb cannot unpack $d"
done

# A game played by the installed molfo, kept as the window keeps it.
printf 'title: press SHIFT\nplay 1-3000: hold Z LEFT\nname: answer x\nranking: press Z\ntitle#2: press ESC\n' \
    >"$w/kept/games.txt"
(cd "$w/kept" && HOME="$w/kept" XDG_DATA_HOME="$w/kept/share" \
    "$root/usr/games/molfo" --headless --input games.txt --keep-replays) >"$w/kept/log" 2>&1 ||
    { cat "$w/kept/log" >&2; fail "the installed game did not play"; }
set -- "$w"/kept/share/molfo/replays/*.mrec
[ -f "$1" ] || fail "the installed game kept no replay"
kept=$1
score=$(basename "$kept" | sed -n 's/.*_\([0-9]*\)pts_.*/\1/p')
[ -n "$score" ] || fail "no score in the kept replay's name: $kept"

# Only the targets the unit's dependencies name, empty, and the unit itself.
printf '[Unit]\nDescription=the test\nWants=molfo-server.service\n' >"$w/units/molfo-test.target"
for t in sysinit basic shutdown multi-user network local-fs; do
    printf '[Unit]\nDescription=%s\n' "$t" >"$w/units/$t.target"
done
cp "$root/usr/lib/systemd/system/molfo-server.service" "$w/units/"
mkdir -p "$w/units/molfo-server.service.d"

# The first process of the namespaces: the host read-only, empty memory
# where the service may write, the packages over /usr, then systemd.
cat >"$w/inner.sh" <<EOF
#!/bin/sh
set -e
mount --make-rprivate /
# The test's own files stay in reach at $inside once /tmp and the rest are
# hidden, wherever the build lies (a clone in /tmp, say).
mount --bind $w $inside
mount -o remount,bind,ro /
for d in /run /tmp /var/tmp /var/lib; do mount -t tmpfs -o mode=755 tmpfs "\$d"; done
umount -R /sys/fs/cgroup 2>/dev/null || umount -l /sys/fs/cgroup
mount -t cgroup2 cgroup2 /sys/fs/cgroup
mount -t overlay overlay -o lowerdir=$inside/root/usr:/usr /usr
# A machine that builds packages often forbids starting services
# (policy-rc.d exits 101); the test's systemd is a system of its own.
if [ -e /usr/sbin/policy-rc.d ]; then mount --bind $inside/policy-rc.d /usr/sbin/policy-rc.d; fi
export SYSTEMD_UNIT_PATH=$inside/units container=molfo-test
exec /lib/systemd/systemd --system --unit=molfo-test.target --log-target=console --log-level=notice \
    </dev/null >/run/systemd.log 2>&1
EOF
chmod +x "$w/inner.sh"
printf '#!/bin/sh\nexit 0\n' >"$w/policy-rc.d"
chmod +x "$w/policy-rc.d"

# start EXTRA: systemd with the unit and a drop-in of EXTRA's lines; sets
# sd, the outer pid of that systemd.
start() {
    {
        printf '[Service]\n'
        printf 'Environment="MOLFO_SERVER_OPTIONS=--listen 127.0.0.1:0 --workers 1"\n'
        printf 'StandardOutput=append:/run/molfo-server.log\nStandardError=append:/run/molfo-server.log\n'
        printf '%s\n' "$1"
    } >"$w/units/molfo-server.service.d/test.conf"
    mkdir -p "$cgbase" || fail "cannot make a cgroup at $cgbase"
    sh -c 'echo $$ >"$1/cgroup.procs" && exec unshare --pid --fork --mount --cgroup --mount-proc "$2"' \
        keeper "$cgbase" "$w/inner.sh" >"$w/keeper.log" 2>&1 &
    keeper=$!
    tries=0
    while [ -z "$sd" ] && [ "$tries" -lt 100 ]; do
        sd=$(cat /proc/"$keeper"/task/*/children 2>/dev/null | tr -s ' ' '\n' | head -n 1)
        [ -z "$sd" ] && sleep 0.1
        tries=$((tries + 1))
    done
    [ -n "$sd" ] || { cat "$w/keeper.log" >&2; fail "the test's systemd did not start"; }
}

# wait_log PATTERN: waits at most 30 s for the server's log to hold it.
wait_log() {
    tries=0
    while [ "$tries" -lt 300 ]; do
        grep -q "$1" /proc/"$sd"/root/run/molfo-server.log 2>/dev/null && return 0
        kill -0 "$sd" 2>/dev/null || break
        sleep 0.1
        tries=$((tries + 1))
    done
    cat /proc/"$sd"/root/run/systemd.log /proc/"$sd"/root/run/molfo-server.log "$w/keeper.log" 2>/dev/null >&2
    return 1
}

# --- as packaged ---
start ""
wait_log "listening on http://127.0.0.1:" || fail "as packaged: the server did not start under its unit"
log=/proc/$sd/root/run/molfo-server.log
port=$(sed -n 's|.*listening on http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$log" | head -n 1)
grep -q "verifying molfo $version " "$log" || fail "as packaged: the server must verify with /usr/games/molfo $version"
# The server's pid out here, from the service's cgroup; empty when none runs.
server_pid() {
    for p in $(cat "$cgbase/system.slice/molfo-server.service/cgroup.procs" 2>/dev/null); do
        [ "$(cat /proc/"$p"/comm 2>/dev/null)" = molfo-server ] && echo "$p"
    done | head -n 1
}
server=$(server_pid)
[ -n "$server" ] || fail "as packaged: the server's process cannot be found"
status=/proc/$server/status
uid=$(awk '/^Uid:/ { print $2 }' "$status")
[ "$uid" -ne 0 ] || fail "as packaged: the server runs as root"
for want in "NoNewPrivs:	1" "Seccomp:	2" "CapEff:	0000000000000000"; do
    grep -qx "$want" "$status" || fail "as packaged: the server's process must have $want: $(grep "${want%%:*}" "$status")"
done
answer=$(curl -s --max-time 10 --data-binary @"$kept" -H 'Content-Type: application/octet-stream' \
    "http://127.0.0.1:$port/api/v1/runs?name=sandbox")
id=$(echo "$answer" | sed -n 's/.*"id":"\([0-9a-f]*\)".*/\1/p')
[ -n "$id" ] || fail "as packaged: the kept replay was not accepted: $answer"
tries=0
run=""
while [ "$tries" -lt 600 ]; do
    run=$(curl -s --max-time 10 "http://127.0.0.1:$port/api/v1/runs/$id")
    case "$run" in *'"status":"verified"'* | *'"status":"rejected"'*) break ;; esac
    sleep 0.1
    tries=$((tries + 1))
done
case "$run" in
    *'"status":"verified"'*) ;;
    *) cat "$log" >&2; fail "as packaged: the run must be verified inside the sandbox: $run" ;;
esac
echo "$run" | grep -q "\"score\":$score," || fail "as packaged: verified with another score than the game's $score: $run"
[ -s /proc/"$sd"/root/var/lib/private/molfo-server/runs.sqlite ] ||
    fail "as packaged: the table must be in the state folder, /var/lib/private/molfo-server/runs.sqlite"

# --- the package's maintainer scripts, as dpkg runs them on this system ---
dpkg-deb -e "$deb" "$w/control" || fail "dpkg-deb cannot unpack the control files"
# script ARGS...: runs a maintainer script inside the test's systemd's
# namespaces, as dpkg would on a system that runs it.
script() {
    name=$1
    shift
    nsenter -t "$sd" -m -p -- env -u DPKG_ROOT sh "$inside/control/$name" "$@" >"$w/script.log" 2>&1 ||
        { cat "$w/script.log" >&2; fail "$name $*: the script failed"; }
}
# until_server CONDITION WHAT: waits at most 30 s for the server's pid to meet it.
until_server() {
    tries=0
    while [ "$tries" -lt 300 ]; do
        now=$(server_pid)
        eval "$1" && return 0
        sleep 0.1
        tries=$((tries + 1))
    done
    cat "$log" >&2
    fail "$2"
}
script postinst configure 0.1.0
until_server '[ -n "$now" ] && [ "$now" != "$server" ]' "an upgrade must restart the running server with the new program"
until_server '[ "$(grep -c "listening on" "$log")" -eq 2 ]' "the restarted server must listen again"
script prerm remove
until_server '[ -z "$now" ]' "a removal must stop the running server"
stop

# --- setrlimit forbidden ---
start "SystemCallFilter=~setrlimit prlimit64"
wait_log "cannot limit the verifiers" || fail "setrlimit forbidden: the server must refuse to start and say why"
grep -q "listening on" /proc/"$sd"/root/run/molfo-server.log && fail "setrlimit forbidden: the server must not listen"
stop

echo "molfo-server $version ran under its unit: uid $uid, verified a run of $score points, restarted by an upgrade," \
    "stopped by a removal; refused to start without setrlimit"
exit 0
