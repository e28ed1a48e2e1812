#!/usr/bin/python3
"""Drives a headless BrevantaClient through its control socket for the instruction count:
opens the keypad, taps PAIRS times a digit and the backspace (each tap waits for the frame it
presents, so no two taps share a paint), then leaves through a valid address and QUIT.

    keypad_taps.py CONTROL_SOCKET FRAMES_FILE PAIRS
FRAMES_FILE is the program's standard error with CE_TRACE_FRAMES=1: one "frame" line a frame.
"""
import socket
import sys
import time

IP_SETUP = (134, 214)
DIGIT_FIVE = (136, 247)
BACKSPACE = (237, 91)
KEYS = {"1": (56, 327), "2": (136, 327), "3": (216, 327), "4": (56, 247), ".": (136, 407)}
ENTER = (216, 407)
QUIT = (134, 296)


def frames(path):
    with open(path, encoding="utf-8", errors="replace") as log:
        return sum(1 for line in log if "frame" in line)


def wait(condition, seconds=600):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            sys.exit("keypad_taps: timed out")
        time.sleep(0.01)


def main():
    control_path, frames_path, pairs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    control = socket.socket(socket.AF_UNIX)
    wait(lambda: control.connect_ex(control_path) == 0)
    reader = control.makefile("r")

    def tap(point):
        before = frames(frames_path)
        control.sendall(f"tap {point[0]} {point[1]}\n".encode())
        if reader.readline().strip() != "ok":
            sys.exit("keypad_taps: tap refused")
        wait(lambda: frames(frames_path) > before)

    wait(lambda: frames(frames_path) > 0)
    tap(IP_SETUP)
    for _ in range(pairs):
        tap(DIGIT_FIVE)
        tap(BACKSPACE)
    for key in "1.2.3.4":
        tap(KEYS[key])
    tap(ENTER)
    control.sendall(f"tap {QUIT[0]} {QUIT[1]}\n".encode())
    reader.readline()


if __name__ == "__main__":
    main()
