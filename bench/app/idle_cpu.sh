#!/usr/bin/env bash
# CPU time of a running, disconnected monitor over a quiet period.
#   idle_cpu.sh KORVANE_EXECUTABLE [SECONDS]
# Starts the program on the offscreen platform with a settings file of its
# own, lets it settle for 2 s, then reads its user+system CPU time from
# /proc before and after the period and prints the share of one core.
set -euo pipefail
program=$1
seconds=${2:-10}
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

XDG_CONFIG_HOME="$work" KORVANE_REGISTRY="$work/registry.reg" QT_QPA_PLATFORM=offscreen \
  ASAN_OPTIONS=detect_leaks=0 "$program" >/dev/null 2>&1 &
pid=$!
sleep 2
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "idle CPU over %d s: %.2f %% of one core (%d ticks at %d Hz)\n", s, 100 * t / hz / s, t, hz }'
