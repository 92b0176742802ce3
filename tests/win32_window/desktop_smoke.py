#!/usr/bin/env python3
"""The Windows program on a desktop, end to end, under Wine.

Two pseudo-terminals stand for COM3 and COM4 (the default ports of a fresh
prefix, at 115200 baud). The program starts, must show "Untitled - KORVANE",
connects through its menu, receives a different stream on each line, and
saves the capture through Save File and the file dialog. The saved file must
hold exactly the bytes sent, each under the port it came in on.

  desktop_smoke.py <wine> <korvane.exe> <desktop_driver.exe>
  (WINEPREFIX and DISPLAY set by the caller)
"""
import fcntl
import os
import random
import struct
import subprocess
import sys
import tempfile
import termios
import time
import tty

TITLE = "Untitled - KORVANE"
ID_CONNECT = 32771
ID_SAVE_FILE = 32776
HEADER_BYTES = 10  # length, port, 8-character label
DEADLINE_S = 20


def fail(message):
    print("desktop smoke test: " + message, file=sys.stderr)
    sys.exit(1)


def open_line(dosdevices, name):
    master, slave = os.openpty()
    tty.setraw(slave)
    path = os.ttyname(slave)
    link = os.path.join(dosdevices, name)
    if os.path.lexists(link):
        os.unlink(link)
    os.symlink(path, link)
    return master, slave, path, link


def opened_by_another(path, own_fd):
    """True when some process other than this one has the device open."""
    for pid in os.listdir("/proc"):
        if not pid.isdigit() or int(pid) == os.getpid():
            continue
        try:
            for fd in os.listdir("/proc/%s/fd" % pid):
                if os.readlink("/proc/%s/fd/%s" % (pid, fd)) == path:
                    return True
        except OSError:
            continue
    return False


def unread(fd):
    """Bytes waiting on the line for its reader."""
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]


def wait_for(condition, what):
    start = time.monotonic()
    while time.monotonic() - start < DEADLINE_S:
        if condition():
            return
        time.sleep(0.05)
    fail(what)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def records_by_port(data):
    ports = {1: bytearray(), 2: bytearray()}
    at = 0
    while at < len(data):
        length, port = data[at], data[at + 1]
        if not 1 <= length <= 16 or port not in ports or at + HEADER_BYTES + length > len(data):
            fail("the saved file has a malformed record at byte %d" % at)
        ports[port] += data[at + HEADER_BYTES:at + HEADER_BYTES + length]
        at += HEADER_BYTES + length
    return ports


def main():
    wine, program, driver = sys.argv[1:4]
    prefix = os.environ["WINEPREFIX"]
    env = dict(os.environ, WINEDEBUG="-all")

    work = tempfile.mkdtemp(prefix="korvane-desktop-")

    # Output goes through files: Wine's own background programs inherit the
    # handles and would hold a pipe open long after the command ends.
    def run(*command):
        with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
            code = subprocess.run([wine, *command], env=env, stdout=out, stderr=err,
                                  timeout=DEADLINE_S + 10).returncode
            out.seek(0)
            err.seek(0)
            return code, out.read(), err.read()

    def run_driver(*args):
        code, out, err = run(driver, *args)
        if code != 0:
            fail("driver %s: %s" % (" ".join(args), err.strip()))
        return out

    # Without a window manager, managed windows stall every close.
    code, _, err = run("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d",
                       "N", "/f")
    if code != 0:
        fail("cannot set up the prefix's display: " + err.strip())
    lines = [open_line(os.path.join(prefix, "dosdevices"), name) for name in ("com3", "com4")]
    monitor = subprocess.Popen([wine, program], env=env, cwd=work, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        shown = run_driver("wait", TITLE)
        if "window 720 x 500" not in shown:
            fail("the main window is not 720 x 500: " + shown.strip())
        run_driver("command", TITLE, str(ID_CONNECT))
        for master, slave, path, _ in lines:
            wait_for(lambda: opened_by_another(path, slave), "the program never opened " + path)
        # Connect drops what the driver queued before it; let it finish.
        time.sleep(0.5)
        for _, slave, path, _ in lines:
            speeds = termios.tcgetattr(slave)[4:6]
            if speeds != [termios.B115200, termios.B115200]:
                fail("%s runs at %s, not 115200 baud" % (path, speeds))

        generator = random.Random(7)
        sent = {1: bytes(generator.randrange(256) for _ in range(5000)),
                2: bytes(generator.randrange(256) for _ in range(3000))}
        for port, (master, _, _, _) in zip((1, 2), lines):
            for start in range(0, len(sent[port]), 700):
                os.write(master, sent[port][start:start + 700])
        # The program has read it all when nothing waits on either line; the
        # poll that read the last bytes stored them before any later command.
        for _, slave, path, _ in lines:
            wait_for(lambda: unread(slave) == 0, "the program never read all of " + path)

        saved = os.path.join(work, "capture.kvn")
        run_driver("save", TITLE, str(ID_SAVE_FILE), windows_path(saved))
        wait_for(lambda: os.path.exists(saved), "no file was saved")
        with open(saved, "rb") as f:
            received = records_by_port(f.read())
        for port in (1, 2):
            if bytes(received[port]) != sent[port]:
                fail("port %d: saved %d bytes, sent %d, and they differ"
                     % (port, len(received[port]), len(sent[port])))
        run_driver("close", TITLE)
        monitor.wait(timeout=DEADLINE_S)
        print("desktop smoke test: %d + %d bytes captured and saved exactly"
              % (len(sent[1]), len(sent[2])))
    finally:
        if monitor.poll() is None:
            monitor.kill()
        for master, slave, _, link in lines:
            os.close(master)
            os.close(slave)
            if os.path.lexists(link):
                os.unlink(link)


if __name__ == "__main__":
    main()
