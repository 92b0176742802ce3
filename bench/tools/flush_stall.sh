#!/usr/bin/env bash
# The recorder's longest tick on a slow disk: both lines of the line
# simulator at BAUD for SECONDS while every flush of the capture file to disk
# takes SLOW_MS longer (KORVANE_SLOW_DISK_MS, the recorder's seam for this
# measurement). Prints the recorder's summary, whose longest-tick-ms is the
# longest tick's work apart from the last, and the simulator's report, whose
# stalls count the times a line's queue was full and it had to wait.
#   bench/tools/flush_stall.sh [SECONDS, default 10] [SLOW_MS, default 300] [BUILD DIR, default build/release] [BAUD, default 256000]
# The build dir must hold korvane-record and korvane-linesim already.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-10}
slow_ms=${2:-300}
build=${3:-build/release}
baud=${4:-256000}

. bench/tools/recorder_bench_steps.sh

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
start_lines
KORVANE_SLOW_DISK_MS=$slow_ms "$build/tools/record/korvane-record" --baud "$baud" \
  "$work/capture.kvn" >"$work/summary" &
rec_pid=$!
wait "$sim_pid"
sim_pid=
sleep 0.5
kill -TERM "$rec_pid"
wait "$rec_pid"
rec_pid=
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
cat "$work/summary" "$work/sent"
