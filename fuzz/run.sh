#!/bin/sh
# run.sh TARGET SECONDS WORKDIR SEEDS...
# Runs a fuzz target for a few seconds from its seeds. New inputs go to
# WORKDIR (made afresh), so the seeds stay as checked in; a finding (a crash,
# a sanitizer's report, a broken check) is written there and fails the run.
set -u
target=$1
seconds=$2
work=$3
shift 3
rm -rf "$work"
mkdir -p "$work/corpus"
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "$@" >"$work/log" 2>&1
rc=$?
grep -E '^(stat::number_of_executed_units|Done [0-9]+ runs)' "$work/log"
if [ "$rc" -ne 0 ]; then
    tail -n 40 "$work/log" >&2
    echo "FAIL: $(basename "$target") found a problem; the input is in $work" >&2
    exit 1
fi
rm -rf "$work/corpus"
exit 0
