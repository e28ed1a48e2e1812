#!/usr/bin/python3
"""The device image end to end on the emulated board: tests/device/boot_test.py arm64|armhf

Boots build-device/ARCH with scripts/device-vm.sh and meets the device as a person, the support
staff's viewer and the provisioning server do:

1. a new device: the client's screen on the real scanout, the server's address found by
   discovery appearing on it; the native viewer in the server's namespace connects to Tavrelin
   at the device's DHCP address and decodes a frame equal to the scanout (both reduced to
   RGB565, every pixel); a tap from the viewer on IP SETUP opens the keypad on the scanout;
2. power cuts (QEMU killed) during the sync of a large package at several moments: while it
   downloads, as its last bytes go out, just after the record is shown, after the opener has
   unpacked it. Each time the disk as it was left (its journal replayed on a copy) holds either
   no record or a record of the whole package, byte for byte; and the device booted again from
   that disk shows the client's main screen (no record) or, provisioned, Tavrelin's control
   window with no client on it, which the viewer still reaches.

Prints the time of each phase and a closing line "N passed, M failed". Takes about a quarter of
an hour: it is not part of ctest's default run. Needs root (namespaces); pictures and logs go to
build-device/ARCH/run-test. DEVICE_TEST_MOMENTS (default "download last-bytes record opened")
chooses the power cuts.
"""
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import qmp as qmplib  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SYNC_NOW = (133, 135)  # the middle of SYNC NOW (x 35..232, y 114..157)
IP_SETUP = (133, 214)  # the middle of IP SETUP (x 35..232, y 197..232)
KEYPAD_ENTER = (216, 407)  # the keypad's enter key; the address unchanged, it closes
ADDRESS_FIELD = (96, 228, 222, 244)  # the Server field under IP SETUP
SIZE_FIELD = (120, 418, 252, 430)  # "File size:" of the record
BOOT_SECONDS = float(os.environ.get("DEVICE_TEST_BOOT_SECONDS", "600"))
MOMENTS = os.environ.get("DEVICE_TEST_MOMENTS", "download last-bytes record opened").split()
PACKAGE_BYTES = 64 * 1024 * 1024 + 4093  # the payload of the large package
VIEWER = os.path.join(ROOT, "build", "tools", "tavrelin-viewer", "tavrelin-viewer")
STATE = "/var/lib/brevantaclient"


class Failure(Exception):
    pass


# --- pictures ---------------------------------------------------------------------------------

def ReadPng(path):
    """An 8-bit RGB or RGBA PNG as (width, height, rgb bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise Failure(f"not a PNG: {path}")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length = int.from_bytes(data[pos:pos + 4], "big")
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
    width, height = int.from_bytes(header[0:4], "big"), int.from_bytes(header[4:8], "big")
    depth, colour, interlace = header[8], header[9], header[12]
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise Failure(f"{path}: depth {depth} colour type {colour} interlace {interlace}")
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    rgb = b"".join(rows)
    if bpp == 4:
        rgb = b"".join(rgb[i:i + 3] for i in range(0, len(rgb), 4))
    return width, height, rgb


def To565(image):
    """Each pixel reduced to RGB565 by dropping its low bits."""
    width, height, rgb = image
    return width, height, [((rgb[i] >> 3) << 11) | ((rgb[i + 1] >> 2) << 5) | (rgb[i + 2] >> 3)
                           for i in range(0, width * height * 3, 3)]


def Differences(a, b):
    """How many pixels of two pictures differ in RGB565 (every pixel when the sizes differ)."""
    wa, ha, pa = To565(a)
    wb, hb, pb = To565(b)
    if (wa, ha) != (wb, hb):
        return max(wa * ha, wb * hb)
    return sum(1 for x, y in zip(pa, pb) if x != y)


def Region(image, left, top, right, bottom):
    width, _, rgb = image
    return b"".join(rgb[(y * width + left) * 3:(y * width + right) * 3] for y in range(top, bottom))


def ClientShown(image):
    """The client's full-screen window: its dark blue background covers most of the screen
    (the bare session is black, Tavrelin's window grey and white)."""
    width, height, rgb = image
    step = 3 * 31
    blue = sum(1 for i in range(0, len(rgb) - 2, step)
               if rgb[i + 2] >= 0x30 and rgb[i + 2] > rgb[i] + 0x20)
    return blue * 31 > width * height * 0.6


def Blue(image, left, top, right, bottom):
    """The share of the client's dark blue in a rectangle."""
    part = Region(image, left, top, right, bottom)
    blue = sum(1 for i in range(0, len(part), 3)
               if part[i + 2] >= 0x30 and part[i + 2] > part[i] + 0x20)
    return blue / (len(part) // 3)


def Light(image, left, top, right, bottom):
    """The share of light grey to white pixels in a rectangle."""
    part = Region(image, left, top, right, bottom)
    light = sum(1 for i in range(0, len(part), 3) if min(part[i:i + 3]) >= 0xC0)
    return light / (len(part) // 3)


def TavrelinShown(image):
    """Tavrelin's control window ("Quintaro", 240x170 at the top left: a dark blue title bar and
    a light grey and white body) and none of the client's artwork below it."""
    return qmplib.Colours(image) > 2 and Light(image, 0, 0, 240, 200) > 0.3 and \
        Blue(image, 0, 200, 272, 480) < 0.01


# --- the device ---------------------------------------------------------------------------------

class Device:
    """One emulated device: scripts/device-vm.sh, its QMP socket and its namespaces."""

    def __init__(self, arch, run, serve, image=None, append=""):
        self.arch, self.run, self.serve = arch, run, serve
        self.image = image or os.path.join(ROOT, "build-device", arch)
        self.append = append
        self.name = "brvmt" + arch[-2:]
        self.console = os.path.join(run, "console.log")
        self.disk = os.path.join(run, "disk.img")
        self.vm = None
        self.qmp = None
        self.boots = 0

    def Start(self, keep):
        """Powers the device on, from its disk as the last run left it when keep."""
        for f in ("console.log", "qmp.sock", "qemu.pid", "server.log"):
            try:
                os.unlink(os.path.join(self.run, f))
            except FileNotFoundError:
                pass
        self.boots += 1
        env = dict(os.environ, DEVICE_VM_RUN=self.run, DEVICE_VM_NAME=self.name,
                   DEVICE_VM_SERVE=self.serve, DEVICE_VM_DISK="keep" if keep else "fresh",
                   DEVICE_VM_IMAGE=self.image, DEVICE_VM_APPEND=self.append)
        log = open(os.path.join(self.run, f"device-vm-{self.boots}.log"), "w")
        self.started = time.monotonic()
        self.vm = subprocess.Popen([os.path.join(ROOT, "scripts", "device-vm.sh"), self.arch],
                                   stdout=log, stderr=subprocess.STDOUT, env=env)
        self.qmp = qmplib.Qmp(os.path.join(self.run, "qmp.sock"), 60)
        qmplib.WaitForConsole(self.console, r"Linux version", 120)

    def PowerCut(self):
        """SIGKILL to the QEMU this run started: the disk keeps what the guest had written."""
        with open(os.path.join(self.run, "qemu.pid")) as f:
            pid = int(f.read().strip())
        os.kill(pid, signal.SIGKILL)
        self.Stopped()

    def Stopped(self):
        if self.qmp:
            self.qmp.close()
            self.qmp = None
        if self.vm:
            try:
                self.vm.wait(60)
            except subprocess.TimeoutExpired:
                self.vm.send_signal(signal.SIGTERM)
                self.vm.wait(60)
            self.vm = None

    def Screen(self, png=None):
        return self.qmp.screendump(png)

    def ScreenWhen(self, predicate, seconds, what, name="timeout"):
        """The first screendump for which predicate holds."""
        last = []

        def Check():
            last[:] = [self.Screen()]
            return last[0] if predicate(last[0]) else None
        try:
            return qmplib.WaitFor(Check, seconds, what)
        except TimeoutError:
            if last:
                qmplib.WritePng(self.Path(f"{name}.png"), *last[0])
            raise

    def Path(self, name):
        return os.path.join(self.run, name)

    def Address(self):
        """The device's address, from dnsmasq's leases."""
        def Lease():
            try:
                with open(self.Path("dnsmasq.leases")) as f:
                    for line in f:
                        fields = line.split()
                        if len(fields) >= 3:
                            return fields[2]
            except FileNotFoundError:
                pass
            return None
        return qmplib.WaitFor(Lease, 120, "a DHCP lease")

    def Viewer(self, script, name, seconds=60):
        """The native viewer in the server's namespace against Tavrelin on the device."""
        out = self.Path(f"viewer-{name}.log")
        with open(out, "w") as log:
            result = subprocess.run(
                ["ip", "netns", "exec", f"{self.name}-srv", VIEWER, "--connect-timeout", "30000",
                 "--timeout", "20000", "--quiet-frames", "--script", script, self.Address()],
                stdout=log, stderr=subprocess.STDOUT, timeout=seconds)
        if result.returncode != 0:
            with open(out) as f:
                raise Failure(f"viewer ({script}) ended {result.returncode}: "
                              f"{f.read().strip()[-400:]}")

    def StartViewer(self, script, name):
        """The same, running while the test goes on."""
        log = open(self.Path(f"viewer-{name}.log"), "w")
        return subprocess.Popen(
            ["ip", "netns", "exec", f"{self.name}-srv", VIEWER, "--connect-timeout", "30000",
             "--timeout", "20000", "--quiet-frames", "--script", script, self.Address()],
            stdout=log, stderr=subprocess.STDOUT)

    def ServerSent(self):
        """Bytes the server's end of the link has sent so far."""
        return int(subprocess.run(
            ["ip", "netns", "exec", f"{self.name}-srv", "cat",
             f"/sys/class/net/{self.name}-veth1/statistics/tx_bytes"],
            capture_output=True, text=True, check=True).stdout)

    def ServerLog(self):
        try:
            with open(self.Path("server.log")) as f:
                return f.read()
        except FileNotFoundError:
            return ""


def ViewerMatchesScreen(device, name):
    """The viewer's picture equals the scanout, both in RGB565. The screendump is taken while
    the viewer is connected (Tavrelin's own window shows whether a viewer is), between two
    snapshots of the viewer that agree: the screen stood still. A moving screen is tried again."""
    deadline = time.monotonic() + 120
    while True:
        a, b = device.Path(f"{name}-viewer-a.png"), device.Path(f"{name}-viewer-b.png")
        for f in (a, b):
            if os.path.exists(f):
                os.unlink(f)
        viewer = device.StartViewer(f"wait-frame; expect-size 272x480; wait-idle 500; "
                                    f"snapshot {a}; wait 8000; snapshot {b}", name)
        try:
            qmplib.WaitFor(lambda: os.path.exists(a) or viewer.poll() is not None, 60,
                           "the viewer's first snapshot")
            screen = device.Screen()
            connected = viewer.poll() is None
            status = viewer.wait(60)
        finally:
            if viewer.poll() is None:
                viewer.kill()
                viewer.wait(10)
        if status != 0:
            with open(device.Path(f"viewer-{name}.log")) as f:
                raise Failure(f"viewer ended {status}: {f.read().strip()[-400:]}")
        if not connected:
            raise Failure("the screendump came after the viewer had left")
        first, second = ReadPng(a), ReadPng(b)
        if Differences(first, second) == 0:
            count = Differences(first, screen)
            if count == 0:
                return screen
            qmplib.WritePng(device.Path(f"{name}-screendump.png"), *screen)
            raise Failure(f"{count} of {272 * 480} pixels differ between the viewer ({a}) and "
                          f"the scanout ({device.Path(name + '-screendump.png')})")
        if time.monotonic() > deadline:
            raise Failure(f"the screen never stood still: {a} and {b} differ")


# --- the disk -----------------------------------------------------------------------------------

def Debugfs(disk, request):
    return subprocess.run(["debugfs", "-R", request, disk], capture_output=True)


def DiskState(device, moment, package):
    """What the disk as the power cut left it holds, read from a copy whose journal e2fsck has
    replayed (as the device's kernel does when it mounts it): (record or None, package bytes or
    None, the unpacked settings.ini)."""
    copy = device.Path("disk-after-cut.img")
    subprocess.run(["cp", "--sparse=always", device.disk, copy], check=True)
    fsck = subprocess.run(["e2fsck", "-fy", copy], capture_output=True, text=True)
    with open(device.Path(f"e2fsck-{moment}.log"), "w") as f:
        f.write(fsck.stdout + fsck.stderr)
    if fsck.returncode >= 4:
        raise Failure(f"e2fsck {fsck.returncode} on the disk after the cut: see e2fsck-{moment}.log")
    record = Debugfs(copy, f"cat {STATE}/brevantaclient.txt").stdout.decode("utf-8", "replace")
    dumped = device.Path("kelmaris-after-cut.cab")
    if os.path.exists(dumped):
        os.unlink(dumped)
    Debugfs(copy, f"dump {STATE}/kelmaris.cab {dumped}")
    data = None
    if os.path.exists(dumped):
        with open(dumped, "rb") as f:
            data = f.read()
        os.unlink(dumped)
    listing = Debugfs(copy, f"ls -l {STATE}").stdout.decode("utf-8", "replace")
    with open(device.Path(f"state-{moment}.txt"), "w") as f:
        f.write(listing)
    settings = Debugfs(copy, f"cat {STATE}/kelmaris/settings.ini").stdout.decode("utf-8", "replace")
    os.unlink(copy)
    return (record.strip() or None), data, settings


def Describe(data, package):
    if data is None:
        return "no package file"
    if data == package:
        return f"the whole package ({len(data)} bytes)"
    same = next((i for i, (x, y) in enumerate(zip(data, package)) if x != y), min(len(data),
                                                                               len(package)))
    return f"{len(data)} of {len(package)} bytes, equal for the first {same}"


# --- the run ------------------------------------------------------------------------------------

class Results:
    def __init__(self):
        self.passed, self.failed = 0, 0

    def Check(self, what, function, *args):
        started = time.monotonic()
        try:
            result = function(*args)
        except (Failure, TimeoutError, AssertionError, qmplib.QmpError, OSError,
                subprocess.SubprocessError) as e:
            self.failed += 1
            print(f"FAIL {what} ({time.monotonic() - started:.1f} s): {e}")
            return None
        self.passed += 1
        print(f"ok   {what} ({time.monotonic() - started:.1f} s)")
        return result if result is not None else True


def MakePackage(serve, work, payload=PACKAGE_BYTES):
    """A real cabinet (64 MiB and more by default), stored (not compressed), so that the opener
    unpacks it."""
    os.makedirs(serve, exist_ok=True)
    os.makedirs(work, exist_ok=True)
    with open(os.path.join(work, "settings.ini"), "w") as f:
        f.write("site=emulated\nserver=10.78.0.1\n")
    with open(os.path.join(work, "payload.bin"), "wb") as f:
        f.write(os.urandom(payload))
    cab = os.path.join(serve, "kelmaris.cab")
    subprocess.run(["gcab", "-c", cab, "settings.ini", "payload.bin"], cwd=work, check=True)
    os.chmod(cab, 0o644)
    with open(cab, "rb") as f:
        return f.read()


def Main(arch):
    run = os.path.join(ROOT, "build-device", arch, "run-test")
    os.makedirs(run, exist_ok=True)
    serve = os.path.join(run, "serve")
    package = MakePackage(serve, os.path.join(run, "cab-work"))
    digest = hashlib.sha256(package).hexdigest()
    print(f"package: {len(package)} bytes, sha256 {digest}")
    device = Device(arch, run, serve)
    results = Results()
    total = time.monotonic()
    phases = []
    fresh = True  # the next boot needs a new disk: none yet, or the last one is provisioned

    def Boot(keep, expect):
        """Powers on; expect "client" (the main screen) or "tavrelin" (provisioned)."""
        device.Start(keep)
        if expect == "client":
            first = device.ScreenWhen(ClientShown, BOOT_SECONDS, "the client's screen",
                                      f"boot-{device.boots}-timeout")
            boot = time.monotonic() - device.started
            qmplib.WritePng(device.Path(f"boot-{device.boots}-client.png"), *first)
            # The address found by discovery is drawn in the Server field under IP SETUP.
            device.ScreenWhen(lambda i: Region(i, *ADDRESS_FIELD) != Region(first, *ADDRESS_FIELD),
                              90, "the server's address on the screen",
                              f"boot-{device.boots}-address-timeout")
            print(f"     boot {device.boots}: client's first frame {boot:.1f} s after power-on, "
                  f"address {time.monotonic() - device.started - boot:.1f} s later")
            return first
        shown = device.ScreenWhen(TavrelinShown, BOOT_SECONDS, "Tavrelin's window",
                                  f"boot-{device.boots}-timeout")
        boot = time.monotonic() - device.started
        qmplib.WritePng(device.Path(f"boot-{device.boots}-tavrelin.png"), *shown)
        print(f"     boot {device.boots}: Tavrelin's window {boot:.1f} s after power-on")
        # The launcher starts the client as soon as Tavrelin's window shows: an unprovisioned
        # client covers the screen within seconds; a provisioned one quits and never draws.
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            screen = device.Screen()
            if not TavrelinShown(screen):
                qmplib.WritePng(device.Path(f"boot-{device.boots}-client-came.png"), *screen)
                raise Failure("Tavrelin's window was covered on a provisioned device")
        return shown

    def ViewerChecks():
        screen = ViewerMatchesScreen(device, "main")
        # A tap from the viewer on IP SETUP: the keypad covers the main screen.
        device.Viewer(f"wait-frame; tap {IP_SETUP[0]} {IP_SETUP[1]}; expect-update 20000",
                      "tap-ip-setup")
        keypad = device.ScreenWhen(
            lambda i: not ClientShown(i) or Differences(i, screen) > 272 * 480 // 4, 30,
            "the keypad on the scanout", "keypad-timeout")
        qmplib.WritePng(device.Path("keypad.png"), *keypad)
        ViewerMatchesScreen(device, "keypad")
        device.Viewer(f"wait-frame; tap {KEYPAD_ENTER[0]} {KEYPAD_ENTER[1]}; expect-update 20000",
                      "tap-enter")
        device.ScreenWhen(lambda i: ClientShown(i) and Differences(i, screen) < 272 * 480 // 100, 30,
                          "the main screen again after enter", "back-timeout")

    def SyncAndCut(moment):
        before = device.Screen()
        sent = device.ServerSent()
        requests = device.ServerLog().count("request #")
        device.qmp.tap(*SYNC_NOW)
        started = time.monotonic()
        qmplib.WaitFor(lambda: device.ServerLog().count("request #") > requests, 60,
                       "the package's request at the server")
        if moment == "download":
            qmplib.WaitFor(lambda: device.ServerSent() - sent >= len(package) // 2, 300,
                           "half of the package on the link")
        elif moment == "last-bytes":
            qmplib.WaitFor(lambda: re.search(r"^sent #\d+ kelmaris.cab", device.ServerLog(),
                                             re.M), 600, "the server's last bytes")
        elif moment == "record":
            shown = device.ScreenWhen(
                lambda i: Region(i, *SIZE_FIELD) != Region(before, *SIZE_FIELD), 600,
                "the record on the screen", "record-timeout")
            qmplib.WritePng(device.Path("record-shown.png"), *shown)
        elif moment == "opened":
            qmplib.WaitForConsole(device.console, r"kelmaris-open.*(unpacked|could not)", 600)
        on_link = device.ServerSent() - sent
        device.PowerCut()
        status = re.findall(r"^(sent|cut|failed) #\d+.*$", device.ServerLog(), re.M)
        print(f"     cut at {moment}: {time.monotonic() - started:.1f} s after the tap, "
              f"{on_link} bytes on the link, server: {status[-1] if status else 'still sending'}")

    def CheckDisk(moment):
        record, data, settings = DiskState(device, moment, package)
        print(f"     disk after {moment}: record {record!r}, {Describe(data, package)}")
        if record is None:
            if moment == "opened":
                raise Failure("no record after the opener had unpacked the package")
            return "client"
        match = re.fullmatch(r"\d{4}/\d\d/\d\d \d\d:\d\d,(\d+)", record)
        if not match or int(match.group(1)) != len(package):
            raise Failure(f"a record that does not name the package's size: {record!r}")
        if data != package:
            raise Failure(f"a record without the whole package: {Describe(data, package)}")
        got = hashlib.sha256(data).hexdigest()
        if got != digest:
            raise Failure(f"sha256 {got}")
        if moment == "opened" and "site=emulated" not in settings:
            raise Failure(f"the opener's settings.ini: {settings!r}")
        return "tavrelin"

    try:
        for index, moment in enumerate(MOMENTS):
            phase = time.monotonic()
            if device.vm is None:
                if results.Check(f"boot {'a new device' if fresh else 'again'} to the main "
                                 "screen", Boot, not fresh, "client") is None:
                    device.Stopped()
                    fresh = True
                    continue
                if index == 0 and results.Check(
                        "the viewer's frame equals the scanout; its tap on IP SETUP opens the "
                        "keypad", ViewerChecks) is None:
                    pass
            results.Check(f"power cut at {moment}", SyncAndCut, moment)
            device.Stopped()
            expect = results.Check(f"the disk after the cut at {moment}: no record, or a record "
                                   "and the whole package", CheckDisk, moment)
            if expect is None:
                fresh = True
                phases.append((moment, time.monotonic() - phase))
                continue
            if results.Check(f"the device after the cut at {moment} boots to the "
                             f"{'main screen' if expect == 'client' else 'Tavrelin window'}",
                             Boot, True, expect) is None:
                device.Stopped()
                fresh = True
            elif expect == "tavrelin":
                results.Check("a provisioned device: the viewer's frame equals the scanout",
                              ViewerMatchesScreen, device, f"provisioned-{moment}")
                device.PowerCut()
                fresh = True
            else:
                fresh = False
            phases.append((moment, time.monotonic() - phase))
        if device.vm is not None:
            device.PowerCut()
    finally:
        if device.vm is not None and device.vm.poll() is None:
            device.vm.send_signal(signal.SIGTERM)
            device.vm.wait(60)
    left = subprocess.run(["ip", "netns", "list"], capture_output=True, text=True,
                          check=True).stdout
    if device.name + "-" in left:
        results.failed += 1
        print("FAIL namespaces left behind")
    for moment, seconds in phases:
        print(f"     phase {moment}: {seconds:.0f} s")
    print(f"     {device.boots} boots, {time.monotonic() - total:.0f} s in all")
    print(f"{results.passed} passed, {results.failed} failed")
    return 0 if results.failed == 0 else 1


if __name__ == "__main__":
    sys.stdout.reconfigure(line_buffering=True)
    sys.exit(Main(sys.argv[1] if len(sys.argv) > 1 else "arm64"))
