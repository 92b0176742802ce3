#!/usr/bin/env python3
"""The Windows installer under Wine: a silent install puts korvane.exe where
the Start-menu entry points, a capture file (.kvn) opened through the shell
opens in it, and the uninstaller takes all of it away again.

  installer_check.py <wine> <installer.exe> <korvane.exe as built> <desktop_driver.exe>
  (WINEPREFIX set by the caller)
"""
import filecmp
import os
import subprocess
import sys
import tempfile
import time

PROGRAM = r"C:\Program Files\KORVANE\korvane.exe"


def fail(message):
    print("installer check: " + message, file=sys.stderr)
    sys.exit(1)


def main():
    wine, installer, built, driver = sys.argv[1:5]
    prefix = os.environ["WINEPREFIX"]
    env = dict(os.environ, WINEDEBUG="-all")
    drive_c = os.path.join(prefix, "drive_c")
    installed = os.path.join(drive_c, "Program Files", "KORVANE", "korvane.exe")
    shortcut = os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu",
                            "Programs", "KORVANE", "KORVANE.lnk")

    # Output through files: Wine's background programs inherit the handles.
    def run(*command):
        with tempfile.TemporaryFile("w+") as out:
            code = subprocess.run([wine, *command], env=env, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=120).returncode
            out.seek(0)
            return code, out.read()

    def class_value(key, root="HKEY_CLASSES_ROOT\\"):
        code, out = run("reg", "query", root + key, "/ve")
        if code != 0:
            return None
        for line in out.splitlines():
            if "REG_SZ" in line:
                return line.split("REG_SZ", 1)[1].strip()
        return ""

    def wait_until(condition, what):
        start = time.monotonic()
        while time.monotonic() - start < 30:
            if condition():
                return
            time.sleep(0.2)
        fail(what)

    code, out = run(installer, "/S")
    if code != 0:
        fail("the installer failed (%d): %s" % (code, out))
    if not os.path.isfile(installed) or not filecmp.cmp(installed, built, shallow=False):
        fail("korvane.exe is not installed as built at " + installed)
    if not os.path.isfile(shortcut):
        fail("no Start-menu entry at " + shortcut)
    with open(shortcut, "rb") as f:
        link = f.read()
    if PROGRAM.encode() not in link and PROGRAM.encode("utf-16-le") not in link:
        fail("the Start-menu entry does not point at " + PROGRAM)
    if class_value(".kvn") != "KORVANE.Document":
        fail(".kvn is not the program's document type: %r" % class_value(".kvn"))
    command = class_value(r"KORVANE.Document\shell\open\command")
    if command != '"%s" "%%1"' % PROGRAM:
        fail("capture files do not open with the installed program: %r" % command)

    # The shell opens a capture file with the installed program.
    capture = os.path.join(drive_c, "users", "Public", "installer-check.kvn")
    with open(capture, "wb") as f:
        f.write(bytes([5, 1]) + b"000001: " + b"hello")
    code, out = run("start", r"C:\users\Public\installer-check.kvn")
    if code != 0:
        fail("the shell could not open a capture file (%d): %s" % (code, out))
    code, out = run(driver, "wait", "installer-check.kvn - KORVANE")
    if code != 0:
        fail("the capture file did not open in the program: " + out)
    run(driver, "close", "installer-check.kvn - KORVANE")
    os.unlink(capture)

    code, out = run(os.path.join(drive_c, "Program Files", "KORVANE", "uninstall.exe"), "/S")
    if code != 0:
        fail("the uninstaller failed (%d): %s" % (code, out))
    # The uninstaller runs on from a copy of itself.
    wait_until(lambda: not os.path.exists(installed), "the uninstaller left korvane.exe")
    wait_until(lambda: not os.path.exists(shortcut), "the uninstaller left the Start-menu entry")
    for root in ("HKEY_CLASSES_ROOT\\", "HKEY_CURRENT_USER\\Software\\Classes\\"):
        for key in (".kvn", r"KORVANE.Document\shell\open\command"):
            if class_value(key, root) is not None:
                fail("the uninstaller left " + root + key)
    print("installer check: installed, opens .kvn, uninstalled")


if __name__ == "__main__":
    main()
