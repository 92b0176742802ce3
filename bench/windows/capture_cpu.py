#!/usr/bin/env python3
"""CPU time of the Windows program under Wine while both ports stream.

Two pseudo-terminals stand for COM3 and COM4 (the defaults, 115200 baud).
The program connects through its menu, then each line receives RATE bytes a
second for SECONDS; the figure is the CPU time the program's process and its
Wine server used meanwhile, as a share of one core. Run on a display of its
own (bench/windows/capture_cpu.sh does that).

  capture_cpu.py <wine> <korvane.exe> <desktop_driver.exe> [RATE] [SECONDS]
"""
import os
import subprocess
import sys
import tempfile
import time
import tty

TITLE = "Untitled - KORVANE"
ID_CONNECT = 32771
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def wineserver_of(prefix):
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % pid) as f:
                if not f.read().strip().startswith("wineserver"):
                    continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                if ("WINEPREFIX=" + prefix).encode() in f.read().split(b"\0"):
                    return int(pid)
        except OSError:
            continue
    return None


def main():
    wine, program, driver = sys.argv[1:4]
    rate = int(sys.argv[4]) if len(sys.argv) > 4 else 11520
    seconds = float(sys.argv[5]) if len(sys.argv) > 5 else 10
    prefix = os.environ["WINEPREFIX"]
    env = dict(os.environ, WINEDEBUG="-all")
    lines = []
    for name in ("com3", "com4"):
        master, slave = os.openpty()
        tty.setraw(slave)
        link = os.path.join(prefix, "dosdevices", name)
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(os.ttyname(slave), link)
        lines.append((master, slave, link))
    work = tempfile.mkdtemp(prefix="korvane-cpu-")
    out = open(os.path.join(work, "wine.log"), "w")
    monitor = subprocess.Popen([wine, program], env=env, cwd=work, stdout=out, stderr=out)
    try:
        subprocess.run([wine, driver, "wait", TITLE], env=env, stdout=out, stderr=out, check=True)
        subprocess.run([wine, driver, "command", TITLE, str(ID_CONNECT)], env=env, stdout=out,
                       stderr=out, check=True)
        time.sleep(2)
        server = wineserver_of(prefix)
        before = cpu_seconds(monitor.pid), cpu_seconds(server) if server else 0.0
        chunk = max(1, rate // 100)
        start = time.monotonic()
        sent = 0
        while time.monotonic() - start < seconds:
            if rate == 0:  # idle: connected, nothing arrives
                time.sleep(seconds)
                break
            for master, _, _ in lines:
                os.write(master, bytes(range(256)) * (chunk // 256) + bytes(chunk % 256))
            sent += chunk
            time.sleep(max(0.0, start + sent / rate - time.monotonic()))
        elapsed = time.monotonic() - start
        after = cpu_seconds(monitor.pid), cpu_seconds(server) if server else 0.0
        program_share = 100 * (after[0] - before[0]) / elapsed
        server_share = 100 * (after[1] - before[1]) / elapsed
        print("%d bytes/s on each of 2 lines for %.1f s: program %.1f %% of a core, "
              "Wine server %.1f %%" % (rate, elapsed, program_share, server_share))
    finally:
        monitor.kill()
        for master, slave, link in lines:
            os.close(master)
            os.close(slave)
            if os.path.lexists(link):
                os.unlink(link)


if __name__ == "__main__":
    main()
