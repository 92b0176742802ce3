#!/usr/bin/env python3
"""The far end of a serial line for the Windows tests under Wine.

Makes a pseudo-terminal, names its device as COM ports of the Wine prefix
(dosdevices/comN links), then serves requests that the tests leave in a
control folder: each file request-<n> holds one command, and when it is
carried out the file is renamed done-<n>.

  send <count> <chunk> <pace_ms>  write count bytes (byte i is i % 251) in
                                  chunks, one chunk every pace_ms
  hangup                          close the line: the device goes away
  restore                         a new line under the same names
"""
import os
import sys
import time
import tty


def open_line(dosdevices, names):
    master, slave = os.openpty()
    # Raw, so that the line passes every byte as it is.
    tty.setraw(slave)
    path = os.ttyname(slave)
    for name in names:
        link = os.path.join(dosdevices, name)
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(path, link)
    return master, slave


def send(master, count, chunk, pace_ms):
    data = bytes(i % 251 for i in range(count))
    for start in range(0, count, chunk):
        os.write(master, data[start:start + chunk])
        if pace_ms > 0:
            time.sleep(pace_ms / 1000.0)


def main():
    dosdevices, control, names = sys.argv[1], sys.argv[2], sys.argv[3:]
    master, slave = open_line(dosdevices, names)
    open(os.path.join(control, "ready"), "w").close()
    stop = os.path.join(control, "stop")
    while not os.path.exists(stop):
        requests = sorted(f for f in os.listdir(control) if f.startswith("request-"))
        if not requests:
            time.sleep(0.01)
            continue
        for request in requests:
            path = os.path.join(control, request)
            with open(path) as f:
                words = f.read().split()
            if words and words[0] == "send":
                send(master, int(words[1]), int(words[2]), int(words[3]))
            elif words and words[0] == "hangup":
                os.close(master)
                os.close(slave)
                for name in names:
                    os.unlink(os.path.join(dosdevices, name))
            elif words and words[0] == "restore":
                master, slave = open_line(dosdevices, names)
            os.rename(path, os.path.join(control, "done-" + request[len("request-"):]))
    for name in names:
        link = os.path.join(dosdevices, name)
        if os.path.lexists(link):
            os.unlink(link)


if __name__ == "__main__":
    main()
