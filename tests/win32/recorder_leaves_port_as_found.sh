#!/usr/bin/env bash
# korvane-record under Wine on the line helper's COM5, left by another
# program at 9600 baud with XON/XOFF both ways: while it records, XON/XOFF is
# off; after Ctrl+C (Wine turns SIGINT into the console's Ctrl+C event) and
# after a timed end the port has its own settings back.
#   recorder_leaves_port_as_found.sh <port_state.exe> <korvane-record.exe> <runner...>
set -euo pipefail
state=$1 record=$2
shift 2
runner=("$@")
work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-found-XXXXXX")
trap 'rm -rf "$work"' EXIT
found="baud=9600 inx=1 outx=1"

check() {
  local what=$1 want=$2 got
  got=$("${runner[@]}" "$state" COM5 | tr -d '\r')
  [[ $got == "$want" ]] || { echo "$what: port is \"$got\", expected \"$want\"" >&2; exit 1; }
}

for end in seconds signal; do
  [[ $("${runner[@]}" "$state" COM5 9600 1 1 | tr -d '\r') == "$found" ]] ||
    { echo "the port cannot be set up as another program leaves it" >&2; exit 1; }
  args=(--port-a COM5 --port-b off --baud 115200 "$work/$end.kvn")
  [[ $end == seconds ]] && args=(--seconds 2 "${args[@]}")
  "${runner[@]}" "$record" "${args[@]}" >"$work/out" 2>"$work/err" &
  recorder=$!
  for _ in $(seq 200); do [[ -e $work/$end.kvn ]] && break; sleep 0.05; done
  [[ -e $work/$end.kvn ]] || { echo "no capture started: $(cat "$work/err")" >&2; exit 1; }
  check "while recording" "baud=115200 inx=0 outx=0"
  [[ $end == signal ]] && pkill -INT -P "$recorder"
  wait "$recorder" || { echo "korvane-record failed: $(cat "$work/err")" >&2; exit 1; }
  grep -q " ended=$end" "$work/out" || { echo "summary: $(cat "$work/out")" >&2; exit 1; }
  check "after the end by $end" "$found"
done
echo "COM5 back as found after each end"
