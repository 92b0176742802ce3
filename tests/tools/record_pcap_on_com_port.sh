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
count=6000
if ! command -v tshark >/dev/null; then
  echo "tshark is not installed here (scripts/install-deps.sh installs it)"
  exit 77
fi

. "$(dirname "$0")/recorder_on_com_port_steps.sh" korvane-record-pcap
record() {
  local file=$1
  shift
  start_recorder "$file" --pcap "$file" "$@"
}
# The summary names what the pcap file alone cannot say.
summary_names_the_run() {
  grep -q "^start=.* poll-ms=10 port-a=COM10," summary.txt ||
    { echo "summary: $(cat summary.txt)" >&2; exit 1; }
}
record timed.pcap --seconds 3
send 1
finished seconds
summary_names_the_run

record stopped.pcap
send 2
sleep 0.5
pkill -INT -P "$recorder"
finished signal
summary_names_the_run

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
