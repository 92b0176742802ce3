#!/usr/bin/env bash
# korvane-record under Wine, run inside tests/win32/with_pty_line.sh with
# the line named COM10: port A comes from the monitor's settings in the
# registry, the line helper sends a paced stream once the file exists (the
# port is open by then), and every byte must be in the file, in order, in
# port A's records: once for a capture that ends after --seconds 2, once
# for one ended by Ctrl+C.
#   record_on_com_port.sh <korvane-record.exe> <runner...>
set -euo pipefail
record=$1
shift
runner=("$@")
control=${KORVANE_LINE_CONTROL:?run through with_pty_line.sh}
count=6000

. "$(dirname "$0")/recorder_on_com_port_steps.sh" korvane-record
record() {
  local file=$1
  shift
  start_recorder "$file" "$@" "$file"
}
record timed.kvn --seconds 2
send 1
finished seconds

# Ctrl+C (Wine turns SIGINT into the console's Ctrl+C event) ends the
# capture on a whole record.
record stopped.kvn
send 2
# One writer per capture file: while this recorder runs, a second one is
# refused its file, before it touches any port.
second=0
"${runner[@]}" "$record" --port-b off --append stopped.kvn >second.txt 2>&1 || second=$?
if [[ $second -ne 1 ]] || ! grep -q "in use by another program, which is writing it" second.txt; then
  echo "a second recorder on the file ended with $second: $(cat second.txt)" >&2
  exit 1
fi
sleep 0.5
pkill -INT -P "$recorder"
finished signal

for file in timed.kvn stopped.kvn; do
  python3 - "$count" "$file" <<'PY'
import sys
count, path = int(sys.argv[1]), sys.argv[2]
data = open(path, "rb").read()
at, got = 0, bytearray()
while at < len(data):
    length, tag = data[at], data[at + 1]
    if not 1 <= length <= 16 or tag != 1 or at + 10 + length > len(data):
        sys.exit(f"{path}: bad record at byte {at}: length {length}, port tag {tag}")
    got += data[at + 10:at + 10 + length]
    at += 10 + length
want = bytes(i % 251 for i in range(count))
if bytes(got) != want:
    first = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
    sys.exit(f"{path}: {len(got)} bytes recorded of {len(want)}; first difference at byte {first}")
PY
done
