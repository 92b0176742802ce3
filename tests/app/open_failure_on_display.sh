#!/usr/bin/env bash
# The desktop program started with a capture file that is not there, on a
# virtual X display as a file manager would start it: a box of its own comes
# up (the file and the reason are its text, and the same line goes to the
# log file), the main window never does, and closing the box ends the
# program with status 1.
#   open_failure_on_display.sh KORVANE_PROGRAM
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
export KORVANE_REGISTRY=$work/config/registry.reg KORVANE_LOG=
export ASAN_OPTIONS=detect_leaks=0
unset QT_QPA_PLATFORM
closer=$(dirname "$0")/close_x_window.py

cat >"$work/on_display.sh" <<'INNER'
set -u
program=$1 closer=$2
cd "$(dirname "$0")"
"$program" missing.kvn 2>stderr.txt &
pid=$!
for _ in $(seq 1 300); do
  xwininfo -root -tree 2>/dev/null | grep -q '"KORVANE"' && break
  sleep 0.1
done
if xwininfo -root -tree | grep -q ' - KORVANE"'; then
  echo "the main window came up" >&2
  kill "$pid"
  exit 1
fi
if ! python3 "$closer" KORVANE; then
  echo "no box came up" >&2
  kill "$pid"
  exit 1
fi
status=0
wait "$pid" || status=$?
echo "$status" >status.txt
INNER

xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/on_display.sh" "$program" "$closer"
status=$(cat "$work/status.txt")
if [[ $status -ne 1 ]]; then
  echo "the program ended with status $status, not 1" >&2
  exit 1
fi
told="cannot open missing.kvn: No such file or directory"
if ! grep -q "$told" "$work/stderr.txt" || ! grep -q "$told" "$work/state/korvane/korvane.log"; then
  echo "the failure is not on standard error and in the log file" >&2
  cat "$work/stderr.txt" >&2
  exit 1
fi
echo ok
