#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs every fuzz target of build/fuzz for the given seconds, two at a time,
# under the bounds the replay test holds the corpus to. Each target grows
# its own working corpus in build/fuzz/corpus/<target> from the seeds in
# fuzz/corpus/<target>; findings land in build/fuzz/findings/<target>/.
# Exits non-zero when any target found something.
set -eu
seconds=${1:-300}
build=build/fuzz
targets="jpeg bmp qt_photo raw heif thumb_writer page_writer settings command_line"

# With a target named, runs that one alone. The fuzzer works in a child
# process (-fork=1) so that a timeout does not end the run: on a busy machine
# the clock on the wall runs on while the input waits for a processor. Each
# timeout is then tried again with 10 s of processor time (ulimit -t); only
# an input that uses them up is a finding.
if [ $# -ge 2 ]; then
    t=$2
    mkdir -p "$build/corpus/$t" "$build/findings/$t" "$build/logs"
    nice -n 19 "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=1024 \
        -malloc_limit_mb=1024 -timeout=10 -fork=1 -ignore_timeouts=1 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$t/" "$build/corpus/$t" "fuzz/corpus/$t" \
        >"$build/logs/$t.log" 2>&1 || true
    for f in "$build/findings/$t"/timeout-*; do
        [ -e "$f" ] || continue
        if (ulimit -t 10; nice -n 19 "$build/fuzz/fuzz_$t" -timeout=0 -rss_limit_mb=1024 "$f") \
            >"$f.retry.log" 2>&1; then
            echo "$t: $(basename "$f") finishes within 10 s of processor time" >>"$build/logs/$t.log"
            rm -f "$f" "$f.retry.log"
        fi
    done
    echo "$t: $(grep -E '^#[0-9]+' "$build/logs/$t.log" | tail -n 1)"
    exit 0
fi

# Two at a time: the fuzzers share the machine with whatever else runs.
for t in $targets; do echo "$t"; done | xargs -P 2 -n 1 sh "$0" "$seconds"

found=$(find "$build/findings" -type f | wc -l)
if [ "$found" -ne 0 ]; then
    echo "Findings (once mended, add each to fuzz/regressions/ as <target>-<what>):"
    find "$build/findings" -type f
    exit 1
fi
echo "No findings; logs in $build/logs/."
