#!/usr/bin/env bash
# Runs a Windows test program under Wine with a pseudo-terminal of the Linux
# side named as COM ports of the prefix.
#   with_pty_line.sh <wine prefix> <port names, comma separated> <command...>
set -euo pipefail
prefix=$1 names=$2
shift 2
control=$(mktemp -d "${TMPDIR:-/tmp}/korvane-line-XXXXXX")
IFS=, read -r -a ports <<<"$names"
python3 "$(dirname "$0")/pty_line.py" "$prefix/dosdevices" "$control" "${ports[@]}" &
helper=$!
finish() {
  touch "$control/stop"
  wait "$helper" || true
  rm -rf "$control"
}
trap finish EXIT
for _ in $(seq 100); do
  [[ -e $control/ready ]] && break
  sleep 0.05
done
[[ -e $control/ready ]] || { echo "the line helper did not start" >&2; exit 1; }
export KORVANE_LINE_CONTROL=$control
"$@"
