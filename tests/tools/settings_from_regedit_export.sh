#!/usr/bin/env bash
# A settings file exported by Wine's registry editor (version 5.00, UTF-16LE)
# used by the Linux recorder through KORVANE_REGISTRY: its Port1 = COM9 is
# the port the recorder opens. With no such device here, the failure that
# names COM9 shows it. A settings path that is a folder is told and left.
#   settings_from_regedit_export.sh KORVANE_RECORD
set -euo pipefail
record=$1
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
export ASAN_OPTIONS=detect_leaks=0
key='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Korvane'

wine wineboot --init >"$work/wineboot.log" 2>&1
wine reg add "$key" /v Port1 /d COM9 /f >/dev/null
wine reg add "$key" /v BaudRate1 /d 9600 /f >/dev/null
wine regedit /E "$work/exported.reg" "$key"
wineserver -w
if [[ "$(head -c 2 "$work/exported.reg" | od -An -tx1 | tr -d ' ')" != fffe ]]; then
  echo "the editor's export is not UTF-16LE with a byte-order mark" >&2
  exit 1
fi

status=0
KORVANE_REGISTRY=$work/exported.reg "$record" --port-b off --seconds 1 "$work/capture.kvn" \
  >"$work/out.txt" 2>"$work/err.txt" || status=$?
if [[ $status -ne 1 ]] || ! grep -q 'Can not Open PORT A.*COM9' "$work/err.txt"; then
  echo "the recorder did not try COM9 from the exported settings (status $status):" >&2
  cat "$work/err.txt" >&2
  exit 1
fi

mkdir "$work/folder.reg"
status=0
KORVANE_REGISTRY=$work/folder.reg "$record" --port-a nosuch0 --port-b off --seconds 1 \
  "$work/capture2.kvn" >"$work/out2.txt" 2>"$work/err2.txt" || status=$?
if ! grep -q "The settings file $work/folder.reg is a folder, not a file." "$work/err2.txt"; then
  echo "a settings path that is a folder was not told:" >&2
  cat "$work/err2.txt" >&2
  exit 1
fi
if [[ $(grep -c "is a folder, not a file" "$work/err2.txt") -gt 2 ]]; then
  echo "told more than once:" >&2
  cat "$work/err2.txt" >&2
  exit 1
fi
if [[ ! -d "$work/folder.reg" || -n "$(ls -A "$work/folder.reg")" ]]; then
  echo "the folder named as the settings file was changed" >&2
  exit 1
fi
echo "ok"
