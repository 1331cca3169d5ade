#!/bin/sh
# metadata.sh METAINFO DESKTOP: what software centres and menus read is
# valid: the AppStream metadata passes `appstreamcli validate` (warnings
# count as failures), and the desktop entry `desktop-file-validate` when
# that is installed. Exits 77 (skipped) without appstreamcli.
set -u
metainfo=$1
desktop=$2
command -v appstreamcli >/dev/null 2>&1 ||
    { echo "SKIPPED: appstreamcli is not installed (scripts/install-deps installs it)"; exit 77; }
# --no-net: the screenshots are published separately, and CI has no network.
appstreamcli validate --no-net --pedantic "$metainfo" || { echo "FAIL: appstreamcli rejects $metainfo" >&2; exit 1; }
id=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ "$id" = "$(basename "$desktop")" ] || { echo "FAIL: the metadata must launch $(basename "$desktop"), not '$id'" >&2; exit 1; }
if command -v desktop-file-validate >/dev/null 2>&1; then
    out=$(desktop-file-validate "$desktop" 2>&1)
    [ -z "$out" ] || { echo "FAIL: desktop-file-validate: $out" >&2; exit 1; }
fi
exit 0
