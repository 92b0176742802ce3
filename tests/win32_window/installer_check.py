#!/usr/bin/env python3
"""The Windows installer under Wine: a silent install puts korvane.exe where
the Start-menu entry points, a capture file (.kvn) opened through the shell
opens in it, the tools' folder is added to the end of the user's PATH, and
the uninstaller takes all of it away again, leaving the PATH as it was.

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
TOOLS_FOLDER = r"C:\Program Files\KORVANE"
# The user's PATH before the install: an entry with a variable in it, which
# must stay unexpanded, and the folder's name in other letter case is not the
# folder's entry only when it is another folder.
USER_PATH = r"C:\existing;%USERPROFILE%\bin;C:\Program Files\KORVANE-other"


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

    def user_path():
        code, out = run("reg", "query", r"HKEY_CURRENT_USER\Environment", "/v", "Path")
        if code != 0:
            return None
        for line in out.splitlines():
            if "REG_EXPAND_SZ" in line:
                return line.split("REG_EXPAND_SZ", 1)[1].strip()
        fail("the user's PATH is not an expandable text: " + out)

    def wait_until(condition, what):
        start = time.monotonic()
        while time.monotonic() - start < 30:
            if condition():
                return
            time.sleep(0.2)
        fail(what)

    code, out = run("reg", "add", r"HKEY_CURRENT_USER\Environment", "/v", "Path", "/t",
                    "REG_EXPAND_SZ", "/d", USER_PATH, "/f")
    if code != 0:
        fail("cannot set the user's PATH: " + out)
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
    if user_path() != USER_PATH + ";" + TOOLS_FOLDER:
        fail("the tools' folder is not at the end of the user's PATH: %r" % user_path())
    for tool in ("korvane-record.exe", "korvane-dump.exe"):
        if not os.path.isfile(os.path.join(os.path.dirname(installed), tool)):
            fail(tool + " is not in the folder put on the PATH")
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
    if user_path() != USER_PATH:
        fail("the uninstaller did not give the PATH back as it was: %r" % user_path())

    # Without a PATH of the user's own, the one made for the tools goes again.
    run("reg", "delete", r"HKEY_CURRENT_USER\Environment", "/v", "Path", "/f")
    code, out = run(installer, "/S")
    if code != 0 or user_path() != TOOLS_FOLDER:
        fail("a fresh PATH does not hold just the tools' folder: %r" % user_path())
    run(os.path.join(drive_c, "Program Files", "KORVANE", "uninstall.exe"), "/S")
    wait_until(lambda: user_path() is None, "the uninstaller left a PATH holding only its folder")
    print("installer check: installed, opens .kvn, tools on the PATH, uninstalled")


if __name__ == "__main__":
    main()
