#!/usr/bin/python3
"""A small QMP client for the emulated device (scripts/device-vm.sh), and waits with deadlines.

As a module: Qmp(path).command(...), .screendump(png), .tap(x, y); WaitFor, WaitForConsole.
As a program:
    qmp.py SOCKET screendump OUT.png        the scanout as it is now
    qmp.py SOCKET tap X Y                   a tap at screen pixel X,Y (272x480)
    qmp.py SOCKET wait-screen SECONDS       until the scanout is not a single colour; prints s
    qmp.py SOCKET quit                      power cut: QEMU ends at once
    qmp.py SOCKET powerdown                 the power button
    qmp.py - wait-console LOG REGEX SECONDS until the console log has a line that matches
"""
import json
import os
import re
import socket
import struct
import sys
import time
import zlib

SCREEN = (272, 480)


class QmpError(RuntimeError):
    pass


def WaitFor(predicate, seconds, what):
    """Calls predicate until it returns something true, at most for seconds."""
    deadline = time.monotonic() + seconds
    while True:
        result = predicate()
        if result:
            return result
        if time.monotonic() > deadline:
            raise TimeoutError(f"not within {seconds} s: {what}")
        time.sleep(0.05)


def WaitForConsole(path, pattern, seconds):
    """The first console line matching pattern (a regex), read as the file grows."""
    regex = re.compile(pattern)

    def Match():
        try:
            with open(path, "rb") as f:
                for line in f.read().decode("utf-8", "replace").splitlines():
                    if regex.search(line):
                        return line
        except FileNotFoundError:
            pass
        return None

    return WaitFor(Match, seconds, f"{pattern!r} in {path}")


class Qmp:
    def __init__(self, path, seconds=30):
        def Connect():
            try:
                s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                s.connect(path)
                return s
            except OSError:
                return None

        self.m_socket = WaitFor(Connect, seconds, f"QMP socket {path}")
        self.m_socket.settimeout(seconds)
        self.m_buffer = b""
        self.events = []
        self._Read()  # the greeting
        self.command("qmp_capabilities")

    def close(self):
        self.m_socket.close()

    def _Read(self):
        while b"\n" not in self.m_buffer:
            chunk = self.m_socket.recv(65536)
            if not chunk:
                raise QmpError("QMP connection closed")
            self.m_buffer += chunk
        line, self.m_buffer = self.m_buffer.split(b"\n", 1)
        return json.loads(line)

    def command(self, name, **arguments):
        message = {"execute": name}
        if arguments:
            message["arguments"] = arguments
        self.m_socket.sendall(json.dumps(message).encode() + b"\n")
        while True:
            reply = self._Read()
            if "event" in reply:
                self.events.append(reply)
                continue
            if "error" in reply:
                raise QmpError(f"{name}: {reply['error']}")
            return reply.get("return")

    def screendump(self, png=None):
        """The scanout as (width, height, rgb bytes); also saved as PNG when png is given."""
        ppm = f"/tmp/qmp-screendump-{os.getpid()}.ppm"
        self.command("screendump", filename=ppm)
        try:
            image = ReadPpm(ppm)
        finally:
            os.unlink(ppm)
        if png:
            WritePng(png, *image)
        return image

    def tap(self, x, y, screen=SCREEN):
        """A touch at screen pixel x,y: the tablet's absolute axes run 0..32767."""
        ax = round(x * 32767 / (screen[0] - 1))
        ay = round(y * 32767 / (screen[1] - 1))
        move = [{"type": "abs", "data": {"axis": "x", "value": ax}},
                {"type": "abs", "data": {"axis": "y", "value": ay}}]
        self.command("input-send-event", events=move)
        self.command("input-send-event",
                     events=[{"type": "btn", "data": {"down": True, "button": "left"}}])
        self.command("input-send-event",
                     events=[{"type": "btn", "data": {"down": False, "button": "left"}}])


def ReadPpm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:  # P6 width height maxval, then one whitespace byte
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise QmpError(f"not an 8-bit P6 picture: {path}")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height * 3]


def WritePng(path, width, height, rgb):
    def Chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    stride = width * 3
    raw = b"".join(b"\0" + rgb[y * stride:(y + 1) * stride] for y in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(Chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(Chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(Chunk(b"IEND", b""))


def Colours(image):
    """How many different colours the picture has (stops counting at 16)."""
    _, _, rgb = image
    seen = set()
    for i in range(0, len(rgb), 3 * 97):  # a sample is enough to tell a frame from a blank
        seen.add(rgb[i:i + 3])
        if len(seen) >= 16:
            break
    return len(seen)


def Main(argv):
    if len(argv) >= 5 and argv[2] == "wait-console":
        print(WaitForConsole(argv[3], argv[4], float(argv[5]) if len(argv) > 5 else 60))
        return 0
    qmp = Qmp(argv[1])
    action = argv[2]
    if action == "screendump":
        width, height, _ = qmp.screendump(argv[3])
        print(f"{argv[3]}: {width}x{height}")
    elif action == "tap":
        qmp.tap(int(argv[3]), int(argv[4]))
    elif action == "wait-screen":
        started = time.monotonic()
        WaitFor(lambda: Colours(qmp.screendump()) > 2, float(argv[3]), "a frame on the screen")
        print(f"{time.monotonic() - started:.1f}")
    elif action in ("quit", "powerdown"):
        qmp.command("system_powerdown" if action == "powerdown" else "quit")
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv))
