#!/usr/bin/env python3
"""A capture file that cannot be opened, named on the command line of the
Windows program under Wine: a box names the file and the reason, and once it
is dismissed the program ends with status 1, without its main window.

  open_failure_check.py <wine> <korvane.exe> <desktop_driver.exe>
  (WINEPREFIX and DISPLAY set by the caller)
"""
import os
import subprocess
import sys
import tempfile

DEADLINE_S = 30


def fail(message):
    print("open failure check: " + message, file=sys.stderr)
    sys.exit(1)


def main():
    wine, program, driver = sys.argv[1:4]
    env = dict(os.environ, WINEDEBUG="-all")
    work = tempfile.mkdtemp(prefix="korvane-open-failure-")
    monitor = subprocess.Popen([wine, program, "missing.kvn"], env=env, cwd=work,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        # The box is the program's only window; it carries the program's name.
        with tempfile.TemporaryFile("w+") as out:
            code = subprocess.run([wine, driver, "box", "KORVANE", "KORVANE"], env=env,
                                  stdout=out, stderr=subprocess.STDOUT,
                                  timeout=DEADLINE_S).returncode
            out.seek(0)
            told = out.read()
        if code != 0:
            fail("no box came up: " + told.strip())
        if "Cannot open missing.kvn" not in told:
            fail("the box does not name the file: %r" % told)
        if "No such file or directory" not in told and "cannot find" not in told:
            fail("the box does not give the reason: %r" % told)
        status = monitor.wait(timeout=DEADLINE_S)
        if status != 1:
            fail("the program ended with status %d, not 1" % status)
    finally:
        if monitor.poll() is None:
            monitor.kill()
    print("open failure check: box with file and reason, then exit 1")


if __name__ == "__main__":
    main()
