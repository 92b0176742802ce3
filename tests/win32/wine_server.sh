#!/usr/bin/env bash
# Starts the Wine server of the build's prefix for a whole test run, so that
# the tests do not each start and stop one, and stops it afterwards. The
# server's own output goes to a log file beside the prefix.
#   wine_server.sh start|stop   (WINEPREFIX set by the caller)
set -uo pipefail
log=${WINEPREFIX:?}/../wineserver.log
case ${1:-} in
  start)
    # A server left from the build (listing the tests) or an aborted run
    # would refuse a new persistent one.
    wineserver -k >>"$log" 2>&1
    wineserver -w >>"$log" 2>&1
    wineserver -p >>"$log" 2>&1
    # The first program in a new session starts Wine's background services,
    # which keep the output it was given open for as long as the server
    # lives: started here, they hold the log, not the output of a test.
    wine wineboot >>"$log" 2>&1
    ;;
  stop)
    wineserver -k >>"$log" 2>&1
    wineserver -w >>"$log" 2>&1
    exit 0
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
