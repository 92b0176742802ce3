#!/usr/bin/env bash
# Runs a command on a virtual X display of its own at 96 dots per inch, the
# resolution Windows programs are laid out for. The command's output goes
# through a file: Wine's background programs inherit its handles and would
# keep a pipe to the test runner open long after the command ended.
#   on_virtual_display.sh <command...>
set -uo pipefail
log=$(mktemp "${TMPDIR:-/tmp}/korvane-display-XXXXXX")
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" "$@" >"$log" 2>&1
status=$?
cat "$log"
rm -f "$log"
exit $status
