# Steps shared by the scripts that run korvane-record under Wine on the line
# COM10 of tests/win32/with_pty_line.sh. Sourced after setting $record (the
# recorder), $runner (the Wine command), $count (bytes a send brings) and
# $control (the line helper's folder); each script names its temporary
# folder's prefix as the argument.
key='HKLM\SYSTEM\CurrentControlSet\Services\Korvane'
work=$(mktemp -d "${TMPDIR:-/tmp}/$1-XXXXXX")
cleanup() {
  "${runner[@]}" reg delete "$key" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
# Port A comes from the monitor's settings in the registry.
"${runner[@]}" reg delete "$key" /f >/dev/null 2>&1 || true
"${runner[@]}" reg add "$key" /v Port1 /t REG_SZ /d COM10 /f >/dev/null
cd "$work"

# start_recorder <file> <options...>: starts the recorder on port A alone;
# it creates the file once its port is open. Its shell process id is left in
# $recorder.
start_recorder() {
  local file=$1
  shift
  "${runner[@]}" "$record" --port-b off --poll-ms 10 "$@" >summary.txt 2>errors.txt &
  recorder=$!
  for _ in $(seq 400); do
    [[ -e $file ]] && return 0
    kill -0 "$recorder" 2>/dev/null || break
    sleep 0.05
  done
  echo "korvane-record made no file: $(cat errors.txt)" >&2
  exit 1
}
# send <n>: asks the line helper for one paced stream and waits until it is sent.
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
# finished <how>: the recorder ended well, and its summary says how.
finished() {
  local status=0
  wait "$recorder" || status=$?
  if [[ $status -ne 0 ]]; then
    echo "korvane-record ended with $status: $(cat errors.txt)" >&2
    exit 1
  fi
  grep -q " ended=$1" summary.txt || { echo "summary: $(cat summary.txt)" >&2; exit 1; }
}
