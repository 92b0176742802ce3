#!/usr/bin/env bash
# What the capture times and the pcap file cost korvane-record: both lines of
# the line simulator at 256000 baud (or BAUD) for SECONDS each, recorded
# three ways one after the other: the capture file alone, with --pcap beside
# it, and with --pcap and frame joining (--join-gap 3.5c). Prints, per run,
# the recorder's CPU (% of one core over the run, from /proc) and the files'
# sizes, and checks that tshark reads the pcap file's data packets with as
# many bytes as the capture file holds. Prints the load average before and
# after each run, since the machine may be shared.
#   bench/tools/record_pcap_cost.sh [SECONDS, default 30] [BUILD DIR, default build/release] [BAUD]
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-30}
build=${2:-build/release}
baud=${3:-256000}


. bench/tools/recorder_bench_steps.sh
build_recorder_tools
ticks=$(getconf CLK_TCK)

# run NAME [recorder options...]
run() {
  local name=$1
  shift
  rm -f "$work"/capture.*
  echo "== $name (load before: $(cut -d' ' -f1-3 /proc/loadavg))"
  start_lines
  "$build/tools/record/korvane-record" --baud "$baud" "$@" "$work/capture.kvn" >"$work/summary" &
  rec_pid=$!
  local start
  start=$(date +%s.%N)
  wait "$sim_pid"
  sim_pid=
  sleep 0.5
  local utime stime end
  read -r utime stime < <(awk '{print $14, $15}' "/proc/$rec_pid/stat")
  end=$(date +%s.%N)
  kill -TERM "$rec_pid"
  wait "$rec_pid"
  rec_pid=
  awk -v u="$utime" -v s="$stime" -v t="$ticks" -v a="$start" -v b="$end" \
    'BEGIN { printf "cpu %.2f %% of one core (user %.2f s, system %.2f s over %.1f s)\n",
             100 * (u + s) / t / (b - a), u / t, s / t, b - a }'
  grep -E '^(file|pcap)=' "$work/summary"
  if [ -e "$work/capture.pcap" ]; then
    local kvn_bytes pcap_bytes
    kvn_bytes=$(awk -F'bytes=' '/^sent/ {split($2, f, " "); s += f[1]} END {print s}' "$work/sent")
    pcap_bytes=$(tshark -n -r "$work/capture.pcap" -Y 'rtacser.eventtype == 1 || rtacser.eventtype == 2' \
      -T fields -e data.len 2>/dev/null | awk '{s += $1} END {print s}')
    echo "bytes sent $kvn_bytes, in the pcap file's data packets $pcap_bytes"
    [ "$kvn_bytes" = "$pcap_bytes" ] || { echo "the pcap file lacks bytes" >&2; exit 1; }
  fi
  echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
}

run "capture file alone"
run "capture file and --pcap" --pcap "$work/capture.pcap"
run "capture file and --pcap --join-gap 3.5c" --pcap "$work/capture.pcap" --join-gap 3.5c
