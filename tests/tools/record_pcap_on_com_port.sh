#!/usr/bin/env bash
# korvane-record --pcap under Wine, run inside tests/win32/with_pty_line.sh
# with the line named COM10: the recorder writes the pcap file alone, the
# line helper sends a paced stream once the file exists (the port is open
# by then), and tshark must read every byte in port A's DATA_TX_START
# packets, in order, with times that never go back, once for a capture that
# ends after --seconds and once for one ended by Ctrl+C.
#   record_pcap_on_com_port.sh <korvane-record.exe> <runner...>
set -euo pipefail
record=$1
shift
runner=("$@")
control=${KORVANE_LINE_CONTROL:?run through with_pty_line.sh}
key='HKLM\SYSTEM\CurrentControlSet\Services\Korvane'
count=6000
if ! command -v tshark >/dev/null; then
  echo "tshark is not installed here (scripts/install-deps.sh installs it)"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-record-pcap-XXXXXX")
cleanup() {
  "${runner[@]}" reg delete "$key" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
"${runner[@]}" reg delete "$key" /f >/dev/null 2>&1 || true
"${runner[@]}" reg add "$key" /v Port1 /t REG_SZ /d COM10 /f >/dev/null

cd "$work"
record() {
  local file=$1
  shift
  "${runner[@]}" "$record" --port-b off --poll-ms 10 --pcap "$file" "$@" >summary.txt 2>errors.txt &
  recorder=$!
  for _ in $(seq 400); do
    [[ -e $file ]] && return 0
    kill -0 "$recorder" 2>/dev/null || break
    sleep 0.05
  done
  echo "korvane-record made no file: $(cat errors.txt)" >&2
  exit 1
}
send() {
  echo "send $count 53 2" >"$control/writing-$1"
  mv "$control/writing-$1" "$control/request-$1"
  for _ in $(seq 200); do
    [[ -e $control/done-$1 ]] && return 0
    sleep 0.05
  done
  echo "the line helper did not send" >&2
  exit 1
}
finished() {
  local status=0
  wait "$recorder" || status=$?
  if [[ $status -ne 0 ]]; then
    echo "korvane-record ended with $status: $(cat errors.txt)" >&2
    exit 1
  fi
  grep -q " ended=$1" summary.txt || { echo "summary: $(cat summary.txt)" >&2; exit 1; }
  grep -q "^start=.* poll-ms=10 port-a=COM10," summary.txt ||
    { echo "summary: $(cat summary.txt)" >&2; exit 1; }
  cat summary.txt
}

record timed.pcap --seconds 3
send 1
finished seconds

record stopped.pcap
send 2
sleep 0.5
pkill -INT -P "$recorder"
finished signal

for file in timed.pcap stopped.pcap; do
  tshark -n -r "$file" -T fields -E separator=, -e frame.time_epoch -e rtacser.eventtype \
    -e rtacser.footer -e data.data >"$file.txt" 2>"$file.err" ||
    { echo "tshark cannot read $file: $(cat "$file.err")" >&2; exit 1; }
  python3 - "$count" "$file.txt" <<'PY'
import sys
count, path = int(sys.argv[1]), sys.argv[2]
got, last = bytearray(), 0.0
for number, line in enumerate(open(path), 1):
    time, event, footer, data = line.rstrip("\n").split(",")
    if float(time) < last:
        sys.exit(f"{path}: packet {number} is earlier than the one before it")
    last = float(time)
    if event in ("0x01", "0x02"):
        if event != "0x01" or footer != "0x0001":
            sys.exit(f"{path}: packet {number}: event {event}, footer {footer}; port A is 0x01, 0x0001")
        got += bytes.fromhex(data)
want = bytes(i % 251 for i in range(count))
if bytes(got) != want:
    first = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
    sys.exit(f"{path}: {len(got)} bytes in packets of {len(want)}; first difference at byte {first}")
PY
done
