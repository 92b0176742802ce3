#!/usr/bin/env python3
"""korvane-record on a line that a real ser2net serves with RFC 2217.

    record_remote_line.py KORVANE-RECORD [RUNNER...]

With a runner (Wine) the Windows recorder runs under it; without, the Linux
one. The line is a pseudo-terminal whose master end this script holds:
the recorder is given rfc2217://127.0.0.1:PORT in --port-a, the settings
57600 8 EVEN 2 must reach the pseudo-terminal, 100 KB holding every byte
value and runs of 0xFF must reach the capture file byte for byte, and
ser2net is stopped for 2 s and started again part way: the recorder tells
"device lost" and "device back" and the capture goes on. Then a
ports-folder entry naming a port nothing listens on must end the recorder
with "Can not Open PORT A" and the system's reason.
"""
import os
import pty
import signal
import socket
import subprocess
import sys
import tempfile
import termios
import time

record, runner = sys.argv[1], sys.argv[2:]
wine = bool(runner)


def fail(message):
    sys.exit(f"record_remote_line: {message}")


def free_port():
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


def pattern(size):
    """Every byte value, then a run of 0xFF of 1 to 40, then counting on."""
    out = bytearray()
    i = 0
    while len(out) < size:
        block = i % 1024
        if block < 256:
            out.append(block)
        elif block < 256 + 1 + (i // 1024) % 40:
            out.append(0xFF)
        else:
            out.append((i * 7) & 0xFF)
        i += 1
    return bytes(out)


def captured(path):
    data = open(path, "rb").read() if os.path.exists(path) else b""
    at, got = 0, bytearray()
    while at + 10 <= len(data):
        length, tag = data[at], data[at + 1]
        if not 1 <= length <= 16 or tag != 1:
            fail(f"{path}: bad record at byte {at}: length {length}, port tag {tag}")
        got += data[at + 10:at + 10 + length]
        at += 10 + length
    return bytes(got)


def wait_for(what, check, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if check():
            return
        time.sleep(0.05)
    fail(f"waited {seconds} s for {what}")


class Ser2net:
    def __init__(self, folder, device, port):
        self.folder, self.port, self.process = folder, port, None
        with open(os.path.join(folder, "ser2net.yaml"), "w") as config:
            config.write("connection: &line1\n"
                         f"  accepter: telnet(rfc2217),tcp,127.0.0.1,{port}\n"
                         f"  connector: serialdev,{device},9600n81,local\n"
                         "  options:\n"
                         "    kickolduser: true\n")

    def start(self):
        log = open(os.path.join(self.folder, "ser2net.log"), "a")
        self.process = subprocess.Popen(
            ["ser2net", "-n", "-c", os.path.join(self.folder, "ser2net.yaml"),
             "-P", os.path.join(self.folder, "ser2net.pid")], stdout=log, stderr=log)

        def listening():
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return True
            except OSError:
                return False
        wait_for("ser2net to listen", listening, 10)

    def stop(self):
        if self.process:
            self.process.terminate()
            self.process.wait()
            self.process = None


def start_recorder(folder, env, port_a, file):
    errors = open(os.path.join(folder, "errors.txt"), "w")
    summary = open(os.path.join(folder, "summary.txt"), "w")
    return subprocess.Popen(
        runner + [record, "--port-a", port_a, "--port-b", "off", "--baud", "57600",
                  "--data-bits-a", "8", "--parity-a", "EVEN", "--stop-bits-a", "2",
                  "--poll-ms", "10", file],
        cwd=folder, env=env, stdout=summary, stderr=errors, start_new_session=True)


def text(folder, name):
    return open(os.path.join(folder, name)).read()


def ports_folder(folder, env):
    """Where the recorder looks for ports-folder entries."""
    if not wine:
        return os.path.join(folder, "config", "korvane", "ports")
    appdata = subprocess.run(runner + ["cmd", "/c", "echo %APPDATA%"], env=env,
                             capture_output=True, text=True).stdout.strip()
    unix = subprocess.run(runner + ["winepath", "-u", appdata], env=env,
                          capture_output=True, text=True).stdout.strip()
    if not appdata or not unix:
        fail("the Wine prefix names no application data folder")
    return os.path.join(unix, "Korvane", "ports")


def main():
    master, slave = pty.openpty()
    device = os.ttyname(slave)
    os.close(slave)
    with tempfile.TemporaryDirectory(prefix="korvane-remote-record-") as folder:
        env = dict(os.environ)
        env["XDG_CONFIG_HOME"] = os.path.join(folder, "config")
        env["KORVANE_REGISTRY"] = os.path.join(folder, "no-settings.reg")
        port = free_port()
        address = f"rfc2217://127.0.0.1:{port}"
        server = Ser2net(folder, device, port)
        server.start()
        recorder = None
        try:
            file = os.path.join(folder, "remote.kvn")
            recorder = start_recorder(folder, env, address, file)
            wait_for("the capture file (the port open)",
                     lambda: os.path.exists(file) or recorder.poll() is not None, 30)
            if recorder.poll() is not None:
                fail(f"korvane-record ended with {recorder.returncode}: {text(folder, 'errors.txt')}")
            settings = termios.tcgetattr(master)
            if settings[5] != termios.B57600 or not settings[2] & termios.CSTOPB:
                fail(f"the pseudo-terminal is not at 57600 with 2 stop bits: {settings}")

            sent = pattern(100 * 1024)
            before, after = sent[:60 * 1024], sent[60 * 1024:]
            os.write(master, before)
            wait_for("the bytes before the stop", lambda: len(captured(file)) >= len(before), 30)
            server.stop()
            time.sleep(2)
            server.start()
            wait_for("device back", lambda: "device back" in text(folder, "errors.txt"), 30)
            os.write(master, after)
            wait_for("the bytes after the restart", lambda: len(captured(file)) >= len(sent), 30)
            # Ctrl+C; under Wine to the Windows program itself (Wine turns
            # SIGINT into the console's Ctrl+C event), not to its runner.
            if wine:
                subprocess.run(["pkill", "-INT", "-P", str(recorder.pid)], check=False)
            else:
                recorder.send_signal(signal.SIGINT)
            status = recorder.wait(30)
            recorder = None
            errors, summary = text(folder, "errors.txt"), text(folder, "summary.txt")
            if status != 0:
                fail(f"korvane-record ended with {status}: {errors}")
            got = captured(file)
            if got != sent:
                first = next((i for i, (a, b) in enumerate(zip(got, sent)) if a != b),
                             min(len(got), len(sent)))
                fail(f"{len(got)} bytes captured of {len(sent)}; first difference at byte {first}")
            for expected in (f"PORT A {address}: device lost at poll ",
                             f"PORT A {address}: device back at poll "):
                if expected not in errors:
                    fail(f"standard error lacks {expected!r}: {errors}")
            for expected in (f"port=A name={address} bytes={len(sent)} ",
                             " device-lost=1 device-back=1"):
                if expected not in summary:
                    fail(f"the summary lacks {expected!r}: {summary}")
            print(summary, end="")
        finally:
            if recorder is not None:
                os.killpg(recorder.pid, signal.SIGKILL)
                recorder.wait()
            server.stop()

        # A ports-folder entry naming a port nothing listens on.
        unused = free_port()
        entries = ports_folder(folder, env)
        os.makedirs(entries, exist_ok=True)
        with open(os.path.join(entries, "lab1"), "w") as entry:
            entry.write(f"rfc2217://127.0.0.1:{unused}\n")
        try:
            recorder = start_recorder(folder, env, "lab1", os.path.join(folder, "none.kvn"))
            status = recorder.wait(60)
        finally:
            os.remove(os.path.join(entries, "lab1"))
        errors = text(folder, "errors.txt")
        expected = (f"Can not Open PORT A: lab1 -> rfc2217://127.0.0.1:{unused}: "
                    f"cannot connect to 127.0.0.1 port {unused}: ")
        if status != 1 or expected not in errors:
            fail(f"an unused port: status {status}, standard error: {errors}")
        print(errors.strip().splitlines()[0])
    os.close(master)


main()
