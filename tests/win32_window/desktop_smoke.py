#!/usr/bin/env python3
"""The Windows program on a desktop, end to end, under Wine.

Two pseudo-terminals stand for COM3 and COM4 (the default ports of a fresh
prefix, at 115200 baud). The program starts, must show "Untitled - KORVANE",
connects through its menu, receives a different stream on each line, and
saves the capture through Save File and the file dialog. The saved file must
hold exactly the bytes sent, each under the port it came in on.

The saved file is then read back through Read file and the open dialog: the
view must show its first records from the top, each in its port's colour,
with the caret at the start, saving again must give the same bytes, and the
lines must be free again.
Cancelling the dialog changes nothing; a missing or read-only file is
refused with "Can not Open file" and its reason, and the program goes on.

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
ID_READ_FILE = 32775
ID_SAVE_FILE = 32776
HEADER_BYTES = 10  # length, port, 8-character label
DEADLINE_S = 20

# The view's hex dump: one record a row, 8 x 18 pixel cells, label at cell 0,
# the bytes as characters at cell 8 and in hex (" %02x" each) at cell 28.
CELL_W, CELL_H, PAGE_ROWS = 8, 18, 22
DATA_X, HEX_X = 64, 224
WHITE = (255, 255, 255)
PORT_COLOUR = {1: (0, 0, 0), 2: (192, 0, 0)}


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


def records(data):
    """(port, label, data bytes) of each record, in file order."""
    found = []
    at = 0
    while at < len(data):
        length, port = data[at], data[at + 1]
        found.append((port, data[at + 2:at + HEADER_BYTES],
                      data[at + HEADER_BYTES:at + HEADER_BYTES + length]))
        at += HEADER_BYTES + length
    return found


def read_image(path):
    with open(path, "rb") as f:
        magic, size, depth, pixels = f.read().split(b"\n", 3)
    width, height = (int(n) for n in size.split())
    if magic != b"P6" or depth != b"255" or len(pixels) != 3 * width * height:
        fail("the driver wrote a malformed image")
    return width, height, pixels


def ink(image, left, top, right, bottom):
    """The colours other than white in a rectangle of the image, each with
    the rightmost x where it stands."""
    width, _, pixels = image
    rightmost = {}
    for y in range(top, bottom):
        row = pixels[3 * (y * width + left):3 * (y * width + right)]
        for x in range(right - left):
            colour = tuple(row[3 * x:3 * x + 3])
            if colour != WHITE:
                rightmost[colour] = max(rightmost.get(colour, left), left + x)
    return rightmost


def fits_port(colour, port):
    """Smoothed glyph edges blend the text colour with the white background:
    black ink stays grey, red ink keeps green equal to blue and below red."""
    r, g, b = colour
    if port == 1:
        return max(colour) - min(colour) <= 8
    return abs(g - b) <= 8 and r >= g + 8


def row_faults(image, row, port, length, label_drawn):
    top, bottom = row * CELL_H, (row + 1) * CELL_H
    width = image[0]
    faults = []
    # Each byte's two digits end in the row's last cells, so where the ink
    # ends tells the record's length; full-strength pixels tell its port.
    hex_ink = ink(image, HEX_X, top, width, bottom)
    hex_end = HEX_X + 3 * CELL_W * length
    wrong = [c for c in hex_ink if not fits_port(c, port)]
    if PORT_COLOUR[port] not in hex_ink or wrong:
        faults.append("row %d: hex column in %s, expected port %d's colour" % (row, wrong, port))
    elif not hex_end - CELL_W <= max(hex_ink.values()) < hex_end:
        faults.append("row %d: hex column ends at x %d, expected %d bytes"
                      % (row, max(hex_ink.values()), length))
    # A label is drawn only where it changes; the caret blinks in row 0.
    if row > 0:
        label_ink = ink(image, 0, top, DATA_X, bottom)
        if label_drawn != (PORT_COLOUR[port] in label_ink) or any(
                not fits_port(c, port) for c in label_ink):
            faults.append("row %d: label column %s, expected %s"
                          % (row, sorted(label_ink), "a label" if label_drawn else "none"))
    return faults


def cell(image, x, y):
    width, _, pixels = image
    return b"".join(pixels[3 * (width * row + x):3 * (width * row + x + CELL_W)]
                    for row in range(y, y + CELL_H))


def digit_faults(image, file_records):
    """Each hex digit of a colour is drawn alike wherever it stands, and no
    two digits alike: the bytes shown are the file's, in its order."""
    drawn = {}
    for row, (port, _, data) in enumerate(file_records[:PAGE_ROWS]):
        for k, byte in enumerate(data):
            for place, digit in enumerate("%02x" % byte):
                x = HEX_X + 3 * CELL_W * k + CELL_W * (place + 1)
                drawn.setdefault((port, digit), set()).add(cell(image, x, row * CELL_H))
    faults = ["digit %s of port %d is drawn %d ways" % (digit, port, len(ways))
              for (port, digit), ways in drawn.items() if len(ways) != 1]
    looks = [(port, next(iter(ways))) for (port, _), ways in drawn.items()]
    if len(set(looks)) != len(looks):
        faults.append("different digits are drawn alike")
    return faults


def page_faults(image, file_records):
    """How the view differs from the first page of the file's records drawn
    from row 0; empty when it matches."""
    width, height, _ = image
    faults = []
    last_label = None
    for row, (port, label, data) in enumerate(file_records[:PAGE_ROWS]):
        faults += row_faults(image, row, port, len(data), label != last_label)
        last_label = label
    faults += digit_faults(image, file_records)
    if len(file_records) < PAGE_ROWS and ink(image, 0, len(file_records) * CELL_H, width, height):
        faults.append("ink below the last record")
    return faults


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
            fail("driver %s: exit %d: %s" % (" ".join(args), code, err.strip()))
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

        read_back(run_driver, work, saved)
        # Reading a file ended the connection.
        for _, slave, path, _ in lines:
            wait_for(lambda: not opened_by_another(path, slave),
                     "the program kept %s open after Read file" % path)
        run_driver("close", TITLE)
        monitor.wait(timeout=DEADLINE_S)
        print("desktop smoke test: %d + %d bytes captured and saved exactly, read back and shown"
              % (len(sent[1]), len(sent[2])))
    finally:
        if monitor.poll() is None:
            monitor.kill()
        for master, slave, _, link in lines:
            os.close(master)
            os.close(slave)
            if os.path.lexists(link):
                os.unlink(link)


def read_back(run_driver, work, saved):
    """Read file on the saved capture, then the ways it can be refused."""
    with open(saved, "rb") as f:
        content = f.read()
    image_path = os.path.join(work, "view.ppm")

    # Each step finds the window by its title: Read file leaves it as it was.
    def view():
        caret = run_driver("view", TITLE, image_path).strip()
        return caret, read_image(image_path)

    def without_caret_cell(shown):
        """The view with the cell at the top left, where the caret blinks,
        left out."""
        caret, (width, height, pixels) = shown
        cell = 3 * CELL_W
        rows = [pixels[3 * width * y:3 * width * (y + 1)] for y in range(height)]
        return caret, [row[cell:] if y < CELL_H else row for y, row in enumerate(rows)]

    def keeps_showing(before, what):
        """Once the program has repainted what a box covered, the view is as
        it was."""
        expected = without_caret_cell(before)
        wait_for(lambda: without_caret_cell(view()) == expected, what + " changed the view")

    def show_file(path, what):
        """Waits for the next 10 ms tick to draw the file from its first
        record; returns what the view then shows."""
        with open(path, "rb") as f:
            file_records = records(f.read())
        start = time.monotonic()
        while True:
            shown = view()
            faults = page_faults(shown[1], file_records)
            if not faults and shown[0] == "caret view 0,0":
                return shown
            if time.monotonic() - start > DEADLINE_S:
                fail("after reading %s the view does not show it from its start (%s): %s"
                     % (what, shown[0], "; ".join(faults[:4])))
            time.sleep(0.1)

    run_driver("save", TITLE, str(ID_READ_FILE), windows_path(saved))
    page = show_file(saved, "the saved capture")

    # What the view holds is the file: saved again it is the same bytes.
    again = os.path.join(work, "again.kvn")
    run_driver("save", TITLE, str(ID_SAVE_FILE), windows_path(again))
    wait_for(lambda: os.path.exists(again), "the read capture was not saved again")
    with open(again, "rb") as f:
        if f.read() != content:
            fail("the capture read from the file saves as different bytes")

    run_driver("cancel", TITLE, str(ID_READ_FILE))
    keeps_showing(page, "cancelling Read file")

    missing = os.path.join(work, "missing.kvn")
    run_driver("save", TITLE, str(ID_READ_FILE), windows_path(missing))
    told = run_driver("box", TITLE, "Error")
    expected = "Can not Open file\n\n%s: " % windows_path(missing)
    if not told.startswith(expected) or len(told.strip()) <= len(expected):
        fail("reading a missing file told %r, not %r and the reason" % (told, expected))
    # The program goes on, with the capture it had.
    keeps_showing(page, "a missing file")

    # Only read, never written: a file that may only be read loads, here
    # under a name with a blank and a letter beyond ASCII.
    read_only = os.path.join(work, "read only \u00e4.kvn")
    with open(read_only, "wb") as f:
        f.write(content[:HEADER_BYTES + content[0]])
    os.chmod(read_only, 0o444)
    run_driver("save", TITLE, str(ID_READ_FILE), windows_path(read_only))
    show_file(read_only, "a read-only file")


if __name__ == "__main__":
    main()
