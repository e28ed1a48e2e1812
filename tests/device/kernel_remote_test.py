#!/usr/bin/python3
"""Tavrelin through the kernel on the emulated board:
tests/device/kernel_remote_test.py ARCH [kms] [x11] (both images by default)

1. The device without a display server (build-device/ARCH-kms, scripts/device-image.sh ARCH
   --display kms): the client on the kernel's display shows its main screen on the scanout and
   the server's address; the viewer's frames (Tavrelin reading the scanout through DRM) equal
   the scanout, and its tap on IP SETUP (Tavrelin's uinput pointer, through libinput into the
   client) opens the keypad; a tap through the emulated panel on SYNC NOW syncs: the record
   shows, the opener unpacks the package.
2. The X image (build-device/ARCH) set up as an integrator would for the kernel's remote access
   (tavrelin.service with CE_DISPLAY=x11, CE_REMOTE=kernel, in place of the session's
   autostart): the same frames and taps, through the kernel instead of X; and a Tavrelin
   started without the service's privileges says which it lacks and exits non-zero.

Prints "N passed, M failed". Needs root (namespaces); logs and pictures go to
build-device/ARCH-kms/run-test and build-device/ARCH/run-kernel.
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import boot_test as bt  # noqa: E402
import qmp as qmplib  # noqa: E402

# Tavrelin configured as the kernel's remote display server of the X session; the session's
# own autostart of Tavrelin is off.
X11_DEFAULT = """TAVRELIN_AUTOSTART=no
CE_DISPLAY=x11
DISPLAY=:0
"""
# The service starts with the system; X comes with the session, a few seconds later.
X11_DROP_IN = """[Unit]
After=device-session.service
StartLimitIntervalSec=0
[Service]
RestartSec=2
"""
# Tavrelin as a plain user who may open the display's card (the group video) but has none of the
# service's privileges; what it says and its exit status reach the serial console.
UNPRIVILEGED = """[Unit]
Description=Tavrelin without privileges
Wants=dev-dri-card0.device
After=dev-dri-card0.device systemd-modules-load.service
[Service]
Type=oneshot
User=nobody
SupplementaryGroups=video
Environment=CE_DISPLAY=headless CE_REMOTE=kernel
ExecStart=/bin/sh -c '/usr/bin/Tavrelin; echo "tavrelin-unprivileged: exit $?"'
StandardOutput=file:/dev/ttyAMA0
StandardError=file:/dev/ttyAMA0
[Install]
WantedBy=multi-user.target
"""


def WriteToDisk(disk, work, files, links):
    """Files and symbolic links written into the ext4 image with debugfs, as an integrator's
    image build would leave them."""
    requests = []
    for index, (path, text) in enumerate(files.items()):
        local = os.path.join(work, f"file-{index}")
        with open(local, "w") as f:
            f.write(text)
        parent = os.path.dirname(path)
        requests += [f"mkdir {parent}", f"rm {path}", f"write {local} {path}",
                     f"sif {path} mode 0100644"]
    for path, target in links.items():
        requests += [f"mkdir {os.path.dirname(path)}", f"symlink {path} {target}"]
    script = os.path.join(work, "debugfs.txt")
    with open(script, "w") as f:
        f.write("\n".join(requests) + "\n")
    subprocess.run(["debugfs", "-w", "-f", script, disk], capture_output=True, check=True)
    for path in list(files) + list(links):
        if path.split("/")[-1] not in bt.Debugfs(disk, f"ls {os.path.dirname(path)}").stdout.decode():
            raise bt.Failure(f"debugfs did not write {path}")


def Main(arch, images):
    results = bt.Results()
    total = time.monotonic()

    def BootToClient(device, keep):
        device.Start(keep)
        first = device.ScreenWhen(bt.ClientShown, bt.BOOT_SECONDS, "the client's screen",
                                  "boot-timeout")
        boot = time.monotonic() - device.started
        device.ScreenWhen(lambda i: bt.Region(i, *bt.ADDRESS_FIELD) != bt.Region(first, *bt.ADDRESS_FIELD),
                          90, "the server's address on the screen", "address-timeout")
        print(f"     client's first frame {boot:.1f} s after power-on")

    def ViewerChecks(device):
        screen = bt.ViewerMatchesScreen(device, "main")
        device.Viewer(f"wait-frame; tap {bt.IP_SETUP[0]} {bt.IP_SETUP[1]}; expect-update 20000",
                      "tap-ip-setup")
        device.ScreenWhen(
            lambda i: not bt.ClientShown(i) or bt.Differences(i, screen) > 272 * 480 // 4, 30,
            "the keypad on the scanout", "keypad-timeout")
        bt.ViewerMatchesScreen(device, "keypad")
        device.Viewer(f"wait-frame; tap {bt.KEYPAD_ENTER[0]} {bt.KEYPAD_ENTER[1]}; "
                      "expect-update 20000", "tap-enter")
        device.ScreenWhen(lambda i: bt.ClientShown(i) and bt.Differences(i, screen) < 272 * 480 // 100,
                          30, "the main screen again after enter", "back-timeout")

    def Sync(device):
        before = device.Screen()
        device.qmp.tap(*bt.SYNC_NOW)
        device.ScreenWhen(lambda i: bt.Region(i, *bt.SIZE_FIELD) != bt.Region(before, *bt.SIZE_FIELD),
                          300, "the record on the screen", "record-timeout")
        qmplib.WaitForConsole(device.console, r"kelmaris-open.*unpacked", 120)

    def Unprivileged(device):
        qmplib.WaitForConsole(device.console, r"tavrelin-unprivileged: exit \d+", 120)
        with open(device.console, errors="replace") as f:
            text = f.read()
        status = int(re.findall(r"tavrelin-unprivileged: exit (\d+)", text)[-1])
        said = [line.strip() for line in text.splitlines()
                if "Tavrelin: " in line and "CAP_SYS_ADMIN" in line]
        if status == 0:
            raise bt.Failure("Tavrelin without privileges exited 0")
        if not said:
            raise bt.Failure("Tavrelin without privileges did not say which it lacks")
        print(f"     exit {status}: {said[0][-160:]}")

    def Run(name, image, run, prepare):
        os.makedirs(run, exist_ok=True)
        serve = os.path.join(run, "serve")
        bt.MakePackage(serve, os.path.join(run, "cab-work"), 1024 * 1024)
        device = bt.Device(arch, run, serve, image=image)
        keep = False
        if prepare:
            subprocess.run(["cp", "--sparse=always", os.path.join(image, "rootfs.img"),
                            device.disk], check=True)
            prepare(device.disk, run)
            keep = True
        try:
            if results.Check(f"{name}: boot to the client's main screen", BootToClient,
                             device, keep) is None:
                return
            results.Check(f"{name}: the viewer's frames equal the scanout through the kernel; "
                          "its taps reach the client through uinput", ViewerChecks, device)
            if prepare:
                results.Check(f"{name}: Tavrelin without privileges says which and exits "
                              "non-zero", Unprivileged, device)
            else:
                results.Check(f"{name}: a tap through the panel on SYNC NOW syncs and opens "
                              "the package", Sync, device)
        finally:
            if device.vm is not None:
                device.PowerCut()

    def PrepareX11(disk, run):
        units = "/etc/systemd/system"
        WriteToDisk(disk, run, {
            "/etc/default/tavrelin": X11_DEFAULT,
            f"{units}/tavrelin.service.d/x11.conf": X11_DROP_IN,
            f"{units}/tavrelin-unprivileged.service": UNPRIVILEGED,
        }, {
            f"{units}/multi-user.target.wants/tavrelin.service": "/lib/systemd/system/tavrelin.service",
            f"{units}/multi-user.target.wants/tavrelin-unprivileged.service":
                f"{units}/tavrelin-unprivileged.service",
        })

    kms = os.path.join(bt.ROOT, "build-device", f"{arch}-kms")
    x11 = os.path.join(bt.ROOT, "build-device", arch)
    if "kms" in images:
        Run("without a display server", kms, os.path.join(kms, "run-test"), None)
    if "x11" in images:
        Run("X with CE_REMOTE=kernel", x11, os.path.join(x11, "run-kernel"), PrepareX11)
    print(f"     {time.monotonic() - total:.0f} s in all")
    print(f"{results.passed} passed, {results.failed} failed")
    return 0 if results.failed == 0 else 1


if __name__ == "__main__":
    sys.stdout.reconfigure(line_buffering=True)
    sys.exit(Main(sys.argv[1] if len(sys.argv) > 1 else "arm64", sys.argv[2:] or ["kms", "x11"]))
