# Steps shared by the recorder's benchmark scripts. Sourced with $seconds,
# $build and $baud set: a scratch folder that holds the settings file and the
# ports folder (removed at exit with anything still running), and
#   build_recorder_tools   a Release build of the recorder, the dump and the simulator
#   start_lines            both simulated lines at $baud for $seconds, pid in $sim_pid
build_recorder_tools() {
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_QT=OFF \
    -DKORVANE_BENCH=OFF >/dev/null
  cmake --build "$build" --target korvane-record korvane-dump korvane-linesim >/dev/null
}

work=$(mktemp -d)
sim_pid=
rec_pid=
cleanup() {
  [ -n "$rec_pid" ] && kill "$rec_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work KORVANE_REGISTRY=$work/registry.reg
mkdir -p "$work/korvane/ports"

start_lines() {
  "$build/tools/line_simulator/korvane-linesim" --lines COM3,COM4 --baud "$baud" \
    --pattern counter --seconds "$seconds" --wait-for-open --quiet >"$work/sent" &
  sim_pid=$!
  sleep 0.3
}
