#!/usr/bin/python3
"""The device image end to end on the emulated board: tests/device/boot_test.py arm64|armhf

Boots build-device/ARCH with scripts/device-vm.sh and meets the device as a person and the
provisioning server do: the client's screen on the real scanout, the server's address found by
discovery appearing on it, a tap on SYNC NOW through the emulated panel, the opener's journal
line on the serial console, and after a power cut the record and the unpacked package on the
device's disk. Prints the time from power-on to the client's first frame. Takes minutes: it is
not part of ctest's default run. Needs root (namespaces); pictures go to the run folder.
"""
import os
import re
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qmp as qmplib  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SYNC_NOW = (133, 135)  # the middle of SYNC NOW (x 35..232, y 114..157)
BOOT_SECONDS = float(os.environ.get("DEVICE_TEST_BOOT_SECONDS", "600"))


def ClientShown(image):
    """The client's full-screen window: its dark blue background covers most of the screen
    (the bare session is black, Tavrelin's window grey and white)."""
    width, height, rgb = image
    step = 3 * 31
    blue = sum(1 for i in range(0, len(rgb) - 2, step)
               if rgb[i + 2] >= 0x30 and rgb[i + 2] > rgb[i] + 0x20)
    return blue * 31 > width * height * 0.6


def Region(image, left, top, right, bottom):
    width, _, rgb = image
    return b"".join(rgb[(y * width + left) * 3:(y * width + right) * 3] for y in range(top, bottom))


def ScreenWhen(qmp, predicate, seconds, what):
    """The first screendump for which predicate holds."""
    last = []

    def Check():
        last[:] = [qmp.screendump()]
        return last[0] if predicate(last[0]) else None
    try:
        return qmplib.WaitFor(Check, seconds, what)
    except TimeoutError:
        if last:
            qmplib.WritePng(os.path.join(qmp.m_folder, "timeout.png"), *last[0])
        raise


def DebugfsCat(disk, path):
    return subprocess.run(["debugfs", "-R", f"cat {path}", disk], check=True,
                          capture_output=True).stdout.decode("utf-8", "replace")


def Main(arch):
    run = os.path.join(ROOT, "build-device", arch, "run-test")
    os.makedirs(run, exist_ok=True)
    console = os.path.join(run, "console.log")
    socket_path = os.path.join(run, "qmp.sock")
    env = dict(os.environ, DEVICE_VM_RUN=run, DEVICE_VM_NAME="brvmt" + arch[-2:])
    log = open(os.path.join(run, "device-vm.log"), "w")
    started = time.monotonic()
    vm = subprocess.Popen([os.path.join(ROOT, "scripts", "device-vm.sh"), arch],
                          stdout=log, stderr=subprocess.STDOUT, env=env)
    try:
        qmp = qmplib.Qmp(socket_path, 60)
        qmp.m_folder = run
        qmplib.WaitForConsole(console, r"Linux version", 120)
        first = ScreenWhen(qmp, ClientShown, BOOT_SECONDS, "the client's screen")
        boot = time.monotonic() - started
        qmplib.WritePng(os.path.join(run, "1-client.png"), *first)
        print(f"power-on to the client's first frame: {boot:.1f} s")

        # The address found by discovery is drawn in the Server field under IP SETUP.
        field = (96, 228, 222, 244)
        address = ScreenWhen(qmp, lambda i: Region(i, *field) != Region(first, *field), 60,
                             "the server's address on the screen")
        qmplib.WritePng(os.path.join(run, "2-address.png"), *address)
        print(f"address shown {time.monotonic() - started - boot:.1f} s after the first frame")

        qmp.tap(*SYNC_NOW)
        line = qmplib.WaitForConsole(console, r"kelmaris-open.*unpacked", 120)
        print(f"opener: {line.strip()}")
        qmplib.WritePng(os.path.join(run, "3-synced.png"), *qmp.screendump())
        qmp.command("quit")  # a power cut: what the device reported done must be on its disk
        vm.wait(60)
    finally:
        if vm.poll() is None:
            vm.send_signal(signal.SIGTERM)
            vm.wait(60)
    disk = os.path.join(run, "disk.img")
    record = DebugfsCat(disk, "/var/lib/brevantaclient/brevantaclient.txt")
    print(f"record: {record.strip()}")
    size = os.path.getsize(os.path.join(run, "server", "kelmaris.cab"))
    assert re.fullmatch(rf"\d{{4}}/\d\d/\d\d \d\d:\d\d,{size}", record.strip()), record
    settings = DebugfsCat(disk, "/var/lib/brevantaclient/kelmaris/settings.ini")
    assert "site=emulated" in settings, settings
    assert subprocess.run(["ip", "netns", "list"], capture_output=True, text=True,
                          check=True).stdout.count("brvmt-") == 0, "namespaces left behind"
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.stdout.reconfigure(line_buffering=True)
    sys.exit(Main(sys.argv[1] if len(sys.argv) > 1 else "arm64"))
