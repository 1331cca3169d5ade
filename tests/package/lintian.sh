#!/bin/sh
# lintian.sh WORK: lintian on the packages the Package.Deb test left in
# WORK/out, molfo and molfo-server. No error and no warning may be reported;
# the informational tags are printed. Exits 77 (skipped) without lintian or
# without the packages.
set -u
work=$1
command -v lintian >/dev/null 2>&1 || { echo "SKIPPED: lintian is not installed"; exit 77; }
set -- "$work"/out/molfo_*.deb "$work"/out/molfo-server_*.deb
[ -f "$1" ] && [ -f "$2" ] || { echo "SKIPPED: no packages (the Package.Deb test was skipped or failed)"; exit 77; }
# lintian leaves temporary files behind: they go in WORK, not /tmp.
rm -rf "$work/lintian-tmp"
mkdir -p "$work/lintian-tmp"
TMPDIR="$work/lintian-tmp" lintian --display-info --fail-on error,warning --tag-display-limit 0 "$@" \
    >"$work/lintian.txt" 2>&1
status=$?
rm -rf "$work/lintian-tmp"
# Root is what CI runs as; lintian only grumbles about it.
grep -v '^running with root privileges' "$work/lintian.txt"
if [ "$status" -ne 0 ] || grep -q '^[EW]: ' "$work/lintian.txt"; then
    echo "FAIL: lintian must report no error and no warning (exit status $status)" >&2
    exit 1
fi
exit 0
