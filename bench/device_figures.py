#!/usr/bin/python3
"""Figures of the device image on the emulated board: bench/device_figures.py ARCH [IMAGE...]

For each image folder (default build-device/ARCH; build-device/ARCH-kms is the image without a
display server) boots a fresh device with the kernel's brevanta.report and prints:

  - the time from power-on (QEMU started) to the client's first frame on the scanout;
  - the memory in use and the resident memory of BrevantaClient and Tavrelin, as the device
    reports them on its console once the client has been on the screen for 20 seconds;
  - the image's size: the root file system's files, the kernel and the initramfs;

and the size of each package of ARCH. Emulated times are the emulator's, not a board's. Needs
root (the device's network namespaces).
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "tests", "device"))
import boot_test  # noqa: E402
import qmp as qmplib  # noqa: E402

REPORT = re.compile(r"device-report: used (\d+) BrevantaClient (\S+) Tavrelin (\S+)")


def Kib(path):
    return os.path.getsize(path) // 1024


def UsedMib(rootfs):
    """The files of the root file system: its blocks in use, as dumpe2fs counts them."""
    out = subprocess.run(["dumpe2fs", "-h", rootfs], capture_output=True, text=True).stdout
    fields = dict(line.split(":", 1) for line in out.splitlines() if ":" in line)
    blocks = int(fields["Block count"]) - int(fields["Free blocks"])
    return blocks * int(fields["Block size"]) // (1024 * 1024)


def Figures(arch, image):
    run = os.path.join(image, "run-figures")
    os.makedirs(run, exist_ok=True)
    serve = os.path.join(run, "serve")
    boot_test.MakePackage(serve, os.path.join(run, "cab-work"), 1024 * 1024)
    device = boot_test.Device(arch, run, serve, image=image, append="brevanta.report")
    device.Start(False)
    try:
        device.ScreenWhen(boot_test.ClientShown, boot_test.BOOT_SECONDS, "the client's screen")
        first = time.monotonic() - device.started
        settled = time.monotonic() + 20

        def Report():
            if time.monotonic() < settled:
                return None
            with open(device.console, errors="replace") as f:
                found = REPORT.findall(f.read())
            return found[-1] if found and "-" not in found[-1][1:] else None
        used, client, tavrelin = qmplib.WaitFor(Report, 120, "a memory report with both programs")
    finally:
        device.PowerCut()
    return {
        "first frame (s)": f"{first:.1f}",
        "memory in use (MiB)": f"{int(used) / 1024:.1f}",
        "BrevantaClient RSS (MiB)": f"{int(client) / 1024:.1f}",
        "Tavrelin RSS (MiB)": f"{int(tavrelin) / 1024:.1f}",
        "root file system (MiB)": str(UsedMib(os.path.join(image, "rootfs.img"))),
        "vmlinuz + initrd.img (KiB)": str(Kib(os.path.join(image, "vmlinuz")) +
                                          Kib(os.path.join(image, "initrd.img"))),
    }


def Main(argv):
    if len(argv) < 2 or argv[1] not in ("arm64", "armhf"):
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    arch = argv[1]
    images = [os.path.abspath(i) for i in argv[2:]] or [os.path.join(boot_test.ROOT, "build-device", arch)]
    columns = [(os.path.basename(os.path.normpath(i)), Figures(arch, i)) for i in images]
    print(f"| {arch} (emulated) | " + " | ".join(name for name, _ in columns) + " |")
    print("|---|" + "---|" * len(columns))
    for key in columns[0][1]:
        print(f"| {key} | " + " | ".join(figures[key] for _, figures in columns) + " |")
    packages = os.path.join(boot_test.ROOT, "build-package", arch, "packages")
    for name in sorted(os.listdir(packages)):
        if name.endswith(".deb"):
            print(f"package {name}: {Kib(os.path.join(packages, name))} KiB")
    return 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv))
