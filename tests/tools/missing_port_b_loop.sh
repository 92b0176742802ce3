#!/usr/bin/env bash
# korvane-record with port A open and port B missing, run COUNT times: every
# run ends with status 1 and "Can not Open PORT B", leaves no file, never
# crashes and never trips a sanitizer, and gives port A back (each next run
# opens it again).
#   missing_port_b_loop.sh COUNT PORT_A <runner...> <korvane-record>
# PORT_A "pty" makes a pseudo-terminal that no other process reads.
set -euo pipefail
count=$1 portA=$2
shift 2
work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-loop-XXXXXX")
holder=
finish() {
  [[ -n $holder ]] && kill "$holder" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
if [[ $portA == pty ]]; then
  python3 -c 'import os, sys, time
master, slave = os.openpty()
with open(sys.argv[1], "w") as f: f.write(os.ttyname(slave))
os.close(slave)
time.sleep(3600)' "$work/pty" &
  holder=$!
  for _ in $(seq 100); do [[ -s $work/pty ]] && break; sleep 0.05; done
  portA=$(sed 's|^/dev/||' "$work/pty")
fi
for run in $(seq "$count"); do
  status=0
  "$@" --port-a "$portA" --port-b COM42 "$work/never.kvn" >"$work/out" 2>"$work/err" || status=$?
  if [[ $status -ne 1 ]] || ! grep -q "^Can not Open PORT B" "$work/err" ||
    grep -qi "sanitizer\|runtime error\|page fault\|exception" "$work/err" ||
    [[ -e $work/never.kvn ]]; then
    echo "run $run of $count: status $status" >&2
    cat "$work/err" >&2
    exit 1
  fi
done
echo "$count runs: each ended with status 1 and the reason"
