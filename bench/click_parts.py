"""Where a click's time goes, below the browser: the same keypad clicks as web_bench.py, each
timed from its release, measured three ways with nothing but sockets and the X server.

- the keypad's own redraw: the release injected into the X server, until the screen changes;
- Tavrelin asked without pause: the release record, then an update request every half
  millisecond, until the frame with the change is in (the least any viewer of Tavrelin sees);
- the gateway without a browser: the release as a WebSocket message, until the picture is in.

A press comes 20 ms before each release, as a person's click would, so its handling is over.
"""

import base64
import os
import socket
import struct
import time

from Xlib import X
from Xlib import display as xdisplay
from Xlib.ext import xtest

HOLD = 0.02
SETTLE = 0.25


def _exactly(connection, count):
    data = b""
    while len(data) < count:
        chunk = connection.recv(count - len(data))
        if not chunk:
            raise SystemExit("the connection closed")
        data += chunk
    return data


def _drain(read, quiet):
    """Reads until nothing has come for `quiet` seconds."""
    while True:
        try:
            read(quiet)
        except socket.timeout:
            return


def keypad_redraw(display_name, spots, rounds):
    display = xdisplay.Display(display_name)
    root = display.screen().root

    def grab():
        return root.get_image(0, 0, 272, 480, X.ZPixmap, 0xFFFFFFFF).data

    samples = []
    for round_ in range(rounds):
        time.sleep(SETTLE)
        x, y = spots[round_ % len(spots)]
        xtest.fake_input(display, X.MotionNotify, x=x, y=y)
        xtest.fake_input(display, X.ButtonPress, 1)
        display.sync()
        time.sleep(HOLD)
        before = grab()
        released = time.perf_counter()
        xtest.fake_input(display, X.ButtonRelease, 1)
        display.sync()
        while grab() == before and time.perf_counter() - released < 1.0:
            pass
        samples.append((time.perf_counter() - released) * 1000.0)
    display.close()
    return samples


def _record(code, x=0, y=0):
    return b"\xff\xff\xff\xff" + struct.pack("<IHH", code, x, y)


def tavrelin_answer(spots, rounds):
    connection = socket.create_connection(("127.0.0.1", 23134))
    connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def frame(timeout):
        connection.settimeout(timeout)
        header = _exactly(connection, 10)
        connection.settimeout(None)
        return _exactly(connection, int(header[1:]) - 10)

    connection.sendall(_record(275))
    frame(5.0)
    samples = []
    for round_ in range(rounds):
        time.sleep(SETTLE)
        x, y = spots[round_ % len(spots)]
        connection.sendall(_record(512, x, y) + _record(513, x, y))
        time.sleep(HOLD)
        _drain(frame, 0.02)
        released = time.perf_counter()
        connection.sendall(_record(514, x, y))
        while True:
            try:
                frame(0.0005)
                break
            except socket.timeout:
                connection.sendall(_record(275))
        samples.append((time.perf_counter() - released) * 1000.0)
    connection.close()
    return samples


def gateway_answer(spots, rounds):
    connection = socket.create_connection(("127.0.0.1", 8023))
    connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    key = base64.b64encode(os.urandom(16)).decode()
    connection.sendall((f"GET /ws/dev HTTP/1.1\r\nHost: 127.0.0.1:8023\r\nUpgrade: websocket\r\n"
                        f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                        f"Sec-WebSocket-Version: 13\r\nOrigin: http://127.0.0.1:8023\r\n\r\n")
                       .encode())
    response = b""
    while b"\r\n\r\n" not in response:
        response += connection.recv(1)

    def send(opcode, payload):
        # Client frames are masked; a zero mask leaves the payload as it is.
        connection.sendall(bytes([0x80 | opcode, 0x80 | len(payload)]) + bytes(4) + payload)

    def message(timeout):
        connection.settimeout(timeout)
        first, second = _exactly(connection, 2)
        connection.settimeout(None)
        length = second & 0x7F
        if length == 126:
            length = struct.unpack(">H", _exactly(connection, 2))[0]
        elif length == 127:
            length = struct.unpack(">Q", _exactly(connection, 8))[0]
        return first & 0x0F, _exactly(connection, length)

    def pointer(kind, x, y):
        send(0x2, struct.pack("<BHH", kind, x, y))

    send(0x1, b"")  # no token on loopback
    while message(5.0)[0] != 0x2:
        pass
    samples = []
    for round_ in range(rounds):
        time.sleep(SETTLE)
        x, y = spots[round_ % len(spots)]
        pointer(1, x, y)
        time.sleep(HOLD)
        _drain(message, 0.02)
        released = time.perf_counter()
        pointer(2, x, y)
        while True:
            opcode, payload = message(5.0)
            if opcode == 0x2 and len(payload) > 6:
                break
        samples.append((time.perf_counter() - released) * 1000.0)
    connection.close()
    return samples
