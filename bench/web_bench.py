"""Measures tavrelin-web and x11vnc + websockify + noVNC in headless Chromium, on one Xvfb
screen of 272x480x16; run by run_web_bench.sh inside a network namespace of its own.

Times are taken in the browser: every drawing call on the watched canvas (putImageData and
drawImage, which is how both pages draw) is followed by a look at the canvas, and the first call
after which the change shows gives the time, against the moment the change was made (wall
clock, same machine) or the moment the page saw the pointer come up. Nothing polls the canvas,
so the measurement itself holds up neither page. A click is timed from its release because BrevantaClient's keys
act on release, and the browser driver delivers the release a frame after the press: timing
from the press would add that frame to both stacks. Both stacks are read the same way.

    web_bench.py BUILD_DIR DISPLAY ROUNDS
"""

import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from Xlib import display as xdisplay

import click_parts

BUILD, DISPLAY, ROUNDS = sys.argv[1], sys.argv[2], int(sys.argv[3])
PROBE = (200, 440)  # below Tavrelin's control window: the root window shows there
COLOURS = (0xF800, 0x001F)  # red and blue as RGB565, the 16-bit visual's own pixel values
# The gateway's default comes last and stays for the rest.
DEFAULT_POLL = 4
POLL_RATES = (8, 16, 33, DEFAULT_POLL)
GATEWAY = "http://127.0.0.1:8023"
NOVNC = ("http://127.0.0.1:6080/vnc.html?autoconnect=true&host=127.0.0.1&port=6080"
         "&path=websockify&resize=off&quality=9&compression=0&show_dot=false")
NOVNC_CANVAS = "#noVNC_container canvas"

WATCH = """
window.benchArm = (selector, probe, want) => {
  window.benchResult = null;
  window.benchUp = null;
  const canvas = document.querySelector(selector);
  const context = canvas.getContext("2d");
  const sample = () => {
    if (probe) {
      const d = context.getImageData(probe[0], probe[1], 1, 1).data;
      return ((d[0] >> 3) << 11) | ((d[1] >> 2) << 5) | (d[2] >> 3);
    }
    const d = context.getImageData(0, 0, canvas.width, canvas.height).data;
    let sum = 0;
    for (let i = 0; i < d.length; i += 12) sum = (sum * 31 + d[i] + d[i + 1] * 7 + d[i + 2] * 13) | 0;
    return sum;
  };
  const before = sample();
  window.benchCheck = (target, at) => {
    if (target !== canvas || window.benchResult !== null) return;
    const now = sample();
    if (probe ? now === want : now !== before) window.benchResult = performance.timeOrigin + at;
  };
  const round = (window.benchRound = (window.benchRound || 0) + 1);
  setTimeout(() => {
    if (window.benchRound === round && window.benchResult === null) window.benchResult = -1;
  }, 5000);
};
if (!window.benchListening) {
  window.benchListening = true;
  window.addEventListener("pointerup",
    () => { window.benchUp = performance.timeOrigin + performance.now(); }, true);
  for (const name of ["putImageData", "drawImage"]) {
    const draw = CanvasRenderingContext2D.prototype[name];
    CanvasRenderingContext2D.prototype[name] = function (...args) {
      const result = draw.apply(this, args);
      const at = performance.now();
      if (window.benchCheck) window.benchCheck(this.canvas, at);
      return result;
    };
  }
}
"""


def start(arguments, **kwargs):
    return subprocess.Popen(arguments, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            **kwargs)


def wait_for(condition, timeout=20.0, what="condition"):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.02)
    raise SystemExit(f"gave up waiting for {what}")


def listening(port):
    with open("/proc/net/tcp") as table:
        return any(f":{port:04X} 00000000:0000 0A" in line for line in table)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def cpu_percent(pid, seconds=5.0):
    before = cpu_seconds(pid)
    time.sleep(seconds)
    return 100.0 * (cpu_seconds(pid) - before) / seconds


def resident_mib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def bytes_to_device():
    """Bytes sent so far on the connections to Tavrelin's port, from the socket table."""
    output = subprocess.run(["ss", "-tinH", "dst", "127.0.0.1:23134"], capture_output=True,
                            text=True).stdout
    return sum(int(n) for n in re.findall(r"bytes_sent:(\d+)", output))


def figures(samples):
    good = sorted(s for s in samples if s >= 0)
    if not good:
        return "no samples"
    p95 = good[min(len(good) - 1, int(round(0.95 * (len(good) - 1))))]
    return (f"median {statistics.median(good):6.1f} ms  p95 {p95:6.1f} ms  "
            f"({len(good)} rounds, {len(samples) - len(good)} missed)")


class Screen:
    """The root window of the Xvfb screen, painted one colour or another."""

    def __init__(self):
        self.display = xdisplay.Display(DISPLAY)
        self.root = self.display.screen().root

    def paint(self, pixel):
        self.root.change_attributes(background_pixel=pixel)
        self.root.clear_area()
        self.display.sync()


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--user-data-dir=" + tempfile.mkdtemp(prefix="web-bench-chromium-"),
                     "--window-size=700,1100", "--force-device-scale-factor=1"]:
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


class NoVnc:
    """x11vnc on the screen, websockify in front of it, and noVNC in a browser of its own."""

    def __init__(self):
        self.x11vnc = start(["x11vnc", "-display", DISPLAY, "-rfbport", "5900", "-localhost",
                             "-forever", "-shared", "-nopw", "-quiet", "-nocursor", "-defer", "0",
                             "-wait", "1", "-nonap", "-xdamage"])
        self.websockify = start(["websockify", "--web", "/usr/share/novnc", "6080",
                                 "127.0.0.1:5900"])
        wait_for(lambda: listening(5900) and listening(6080), what="x11vnc and websockify")
        self.driver = browser()
        self.driver.get(NOVNC)
        wait_for(lambda: self.driver.execute_script(
            f"const c = document.querySelector('{NOVNC_CANVAS}');"
            "return c && c.width === 272"), what="noVNC")

    def stop(self):
        self.driver.quit()
        for process in (self.x11vnc, self.websockify):
            process.terminate()
            process.wait()
        wait_for(lambda: not listening(5900) and not listening(6080), what="noVNC's end")


def change_to_canvas(driver, screen, selector):
    samples = []
    for round_ in range(ROUNDS):
        colour = COLOURS[round_ % 2]
        driver.execute_script(WATCH + "benchArm(arguments[0], arguments[1], arguments[2]);",
                              selector, list(PROBE), colour)
        changed = time.time() * 1000.0
        screen.paint(colour)
        seen = wait_for(lambda: driver.execute_script("return window.benchResult"), 10,
                        "the change on the canvas")
        samples.append(seen - changed if seen > 0 else -1)
        time.sleep(0.03)
    return samples


def click_to_canvas(driver, selector, spots):
    samples = []
    canvas = driver.find_element(By.CSS_SELECTOR, selector)
    for round_ in range(ROUNDS):
        time.sleep(0.25)  # the previous click's effects have settled
        x, y = spots[round_ % len(spots)]
        driver.execute_script(WATCH + "benchArm(arguments[0], null, 0);", selector)
        width, height = driver.execute_script(
            "const b = arguments[0].getBoundingClientRect(); return [b.width, b.height];", canvas)
        dx = (x + 0.5) * width / 272 - width / 2
        dy = (y + 0.5) * height / 480 - height / 2
        ActionChains(driver).move_to_element_with_offset(canvas, int(dx), int(dy)).click().perform()
        seen = wait_for(lambda: driver.execute_script("return window.benchResult"), 10,
                        "the click's effect on the canvas")
        up = driver.execute_script("return window.benchUp")
        samples.append(seen - up if seen > 0 and up else -1)
    return samples


def main():
    objects = tempfile.mkdtemp(prefix="web-bench-objects-")
    environment = dict(os.environ, DISPLAY=DISPLAY, CE_DISPLAY="x11", CE_OBJECTS_DIR=objects)
    tavrelin = start([os.path.join(BUILD, "server", "Tavrelin")], env=environment)
    wait_for(lambda: listening(23134), what="Tavrelin")
    screen = Screen()
    screen.paint(COLOURS[1])
    driver = browser()
    gateway_binary = os.path.join(BUILD, "tools", "tavrelin-web", "tavrelin-web")
    print(f"== {ROUNDS} rounds each, Xvfb 272x480x16, headless Chromium")

    print("-- screen change to pixels on the canvas (root window repainted under a probe pixel)")
    default_gateway = None
    for poll in POLL_RATES:
        gateway = start([gateway_binary, "--device", "dev=127.0.0.1", "--poll-ms", str(poll)])
        wait_for(lambda: listening(8023), what="the gateway")
        driver.get(GATEWAY + "/#device/dev")
        wait_for(lambda: driver.execute_script(
            "const c = document.getElementById('screen');"
            "return c && c.dataset.state === 'connected' && Number(c.dataset.frames) > 0"),
            what="the page")
        samples = change_to_canvas(driver, screen, "#screen")
        idle_cpu = cpu_percent(tavrelin.pid)
        print(f"tavrelin-web --poll-ms {poll:2d}: {figures(samples)}; "
              f"Tavrelin CPU while watched, screen still: {idle_cpu:4.1f} %")
        if poll == DEFAULT_POLL:
            default_gateway = gateway
            continue
        driver.get("about:blank")
        gateway.terminate()
        gateway.wait()
        wait_for(lambda: not listening(8023), what="the gateway's end")
        time.sleep(0.5)  # Tavrelin listens again once the gateway has gone

    driver.get("about:blank")  # nobody watches: the gateway stops polling
    novnc_stack = NoVnc()
    samples = change_to_canvas(novnc_stack.driver, screen, NOVNC_CANVAS)
    print(f"x11vnc + websockify + noVNC:  {figures(samples)}")
    # Each stack is clicked alone: x11vnc polls the screen every millisecond and noVNC's tab
    # draws every change, which would slow whichever stack is measured beside them.
    novnc_stack.stop()

    print("-- click on the canvas to its effect on the canvas (BrevantaClient's keypad: '1' and"
          " backspace by turns)")
    client_folder = tempfile.mkdtemp(prefix="web-bench-client-")
    subprocess.run(["cp", os.path.join(BUILD, "client", "BrevantaClient"), client_folder],
                   check=True)
    client = start([os.path.join(client_folder, "BrevantaClient")], env=environment)
    time.sleep(2)
    # IP SETUP opens the keypad.
    driver.get(GATEWAY + "/#device/dev")
    wait_for(lambda: driver.execute_script(
        "return document.getElementById('screen').dataset.state === 'connected'"), what="the page")
    time.sleep(1)
    ActionChains(driver).move_to_element_with_offset(
        driver.find_element(By.ID, "screen"), 0, 0).perform()
    canvas = driver.find_element(By.ID, "screen")
    width, height = driver.execute_script(
        "const b = arguments[0].getBoundingClientRect(); return [b.width, b.height];", canvas)
    ActionChains(driver).move_to_element_with_offset(
        canvas, int(134.5 * width / 272 - width / 2), int(210.5 * height / 480 - height / 2)) \
        .click().perform()
    time.sleep(1)
    spots = [(56, 328), (237, 91)]
    before = cpu_seconds(tavrelin.pid)
    started = time.monotonic()
    samples = click_to_canvas(driver, "#screen", spots)
    busy = 100.0 * (cpu_seconds(tavrelin.pid) - before) / (time.monotonic() - started)
    print(f"tavrelin-web --poll-ms {DEFAULT_POLL:2d}:    {figures(samples)}; Tavrelin CPU {busy:4.1f} %")
    driver.get("about:blank")
    novnc_stack = NoVnc()
    time.sleep(1)
    samples = click_to_canvas(novnc_stack.driver, NOVNC_CANVAS, spots)
    print(f"x11vnc + websockify + noVNC:  {figures(samples)}")
    novnc_stack.stop()

    print(f"-- the gateway itself (--poll-ms {DEFAULT_POLL})")
    driver.get(GATEWAY + "/#device/dev")
    wait_for(lambda: driver.execute_script(
        "return Number(document.getElementById('screen').dataset.frames) > 0"), what="the page")
    sent = bytes_to_device()
    time.sleep(3)
    one = (bytes_to_device() - sent) / 3
    for _ in range(9):
        driver.switch_to.new_window("tab")
        driver.get(GATEWAY + "/#device/dev")
        wait_for(lambda: driver.execute_script(
            "const c = document.getElementById('screen');"
            "return c && Number(c.dataset.frames) > 0"), what="a tab")
    sent = bytes_to_device()
    time.sleep(3)
    ten = (bytes_to_device() - sent) / 3
    print(f"bytes/s to the device: one tab {one:.0f}, ten tabs {ten:.0f}")
    print(f"gateway resident memory with ten tabs: {resident_mib(default_gateway.pid):.1f} MiB")
    print(f"gateway CPU with ten tabs, screen still: {cpu_percent(default_gateway.pid):.1f} %")
    driver.quit()
    time.sleep(1)
    print(f"gateway CPU with no tab: {cpu_percent(default_gateway.pid):.2f} %; "
          f"Tavrelin CPU then: {cpu_percent(tavrelin.pid):.2f} %")

    print("-- where a click's time goes, below the browser (the same clicks, from the release)")
    print(f"keypad redraw on the X server:    {figures(click_parts.keypad_redraw(DISPLAY, spots, ROUNDS))}")
    print(f"through the gateway, no browser:  {figures(click_parts.gateway_answer(spots, ROUNDS))}")
    default_gateway.terminate()
    default_gateway.wait()
    wait_for(lambda: listening(23134), what="Tavrelin listening again")
    print(f"Tavrelin asked without pause:     {figures(click_parts.tavrelin_answer(spots, ROUNDS))}")

    for process in (client, default_gateway, tavrelin):
        process.terminate()
        process.wait()


if __name__ == "__main__":
    main()
