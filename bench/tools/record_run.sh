#!/usr/bin/env bash
# korvane-record on both lines of the line simulator at 256000 baud (or
# BAUD: any rate the monitor takes), end to end: the simulator sends for
# SECONDS, the recorder takes both lines with
# its default 32 MiB store, then is stopped with SIGTERM. Prints the
# recorder's summary, its CPU (% of one core over the run) and peak memory,
# and checks each line's bytes in the file (count and CRC-32, through
# korvane-dump --raw) against what the simulator reports it sent.
#   bench/tools/record_run.sh [SECONDS, default 60] [BUILD DIR, default build/release] [BAUD]
#                             [RECORDER OPTION ...]
# A run longer than about 400 s at 256000 baud (about 35 s at 3000000)
# writes more than 32 MiB: more than the window's store holds, and past a
# recycle of the recorder's store. Prints the load average before and after,
# since the machine may be shared.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-60}
build=${2:-build/release}
baud=${3:-256000}
shift $(($# < 3 ? $# : 3))


. bench/tools/recorder_bench_steps.sh
build_recorder_tools

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
start_lines
"$build/tools/record/korvane-record" --baud "$baud" "$@" "$work/capture.kvn" >"$work/summary" &
rec_pid=$!
start=$(date +%s.%N)

wait "$sim_pid"
sim_pid=
sleep 0.5
# The recorder's own CPU and memory, read just before it is stopped.
read -r utime stime < <(awk '{print $14, $15}' "/proc/$rec_pid/stat")
peak_kb=$(awk '/VmHWM/ {print $2}' "/proc/$rec_pid/status")
end=$(date +%s.%N)
kill -TERM "$rec_pid"
wait "$rec_pid"
rec_pid=

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
cat "$work/summary"
ticks=$(getconf CLK_TCK)
awk -v u="$utime" -v s="$stime" -v t="$ticks" -v a="$start" -v b="$end" -v m="$peak_kb" 'BEGIN {
  cpu = (u + s) / t; wall = b - a
  printf "recorder: %.2f s CPU over %.1f s = %.2f %% of one core, peak memory %.1f MiB\n", cpu, wall, 100 * cpu / wall, m / 1024 }'
ls -l "$work/capture.kvn" | awk -v a="$start" -v b="$end" '{
  printf "file: %d bytes, %.1f MiB a minute\n", $5, $5 / 1048576 / ((b - a) / 60) }'

status=0
for line in A B; do
  sent=$(grep "^sent line=$line " "$work/sent")
  echo "simulator: $sent"
  want_bytes=$(sed -n 's/.* bytes=\([0-9]*\).*/\1/p' <<<"$sent")
  want_crc=$(sed -n 's/.* crc32=\([0-9a-f]*\).*/\1/p' <<<"$sent")
  stalls=$(sed -n 's/.* stalls=\([0-9]*\).*/\1/p' <<<"$sent")
  # A line held off because the recorder did not read in time: on a real
  # port those bytes would have been lost to an overrun.
  if [ "${stalls:-0}" != 0 ]; then
    echo "line $line: held off $stalls times: the recorder fell behind"
    status=1
  fi
  "$build/tools/dump/korvane-dump" --raw --port "$line" "$work/capture.kvn" >"$work/line$line"
  got_bytes=$(stat -c %s "$work/line$line")
  got_crc=$(gzip -1 -c "$work/line$line" | tail -c 8 | od -An -tx4 -N4 | tr -d ' \n')
  if [ "$got_bytes" = "$want_bytes" ] && [ "$got_crc" = "$want_crc" ]; then
    echo "line $line: $got_bytes bytes, crc32 $got_crc: as sent"
  else
    echo "line $line: $got_bytes bytes, crc32 $got_crc; sent $want_bytes bytes, crc32 $want_crc: DIFFERENT"
    status=1
  fi
done
exit $status
