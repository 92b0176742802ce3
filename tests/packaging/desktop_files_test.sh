#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo pass Debian's validators, and
# agree with each other and with the MIME type they name.
#   desktop_files_test.sh PACKAGING_DIR
set -euo pipefail
dir=$1
desktop=$dir/korvane.desktop
metainfo=$dir/org.korvane.monitor.metainfo.xml
mime=$dir/korvane-capture.xml
status=0
fail() {
  echo "$*" >&2
  status=1
}

desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop failed"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $metainfo failed"

mime_type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime")
[[ $(sed -n 's/^MimeType=//p' "$desktop") == "$mime_type;" ]] ||
  fail "the desktop entry's MimeType is not the capture file's type $mime_type"
grep -q "<mediatype>$mime_type</mediatype>" "$metainfo" ||
  fail "the metainfo does not provide $mime_type"
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $(basename "$desktop")"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
grep -q "<binary>$exec_program</binary>" "$metainfo" ||
  fail "the metainfo does not provide the entry's program $exec_program"
exit $status
