"""tavrelin-web in a real browser: headless Chromium, driven through chromedriver, against the
gateway and a real Tavrelin on the headless screen, all in the network namespace ctest gives
this process (loopback only).

The device's own screen (from Tavrelin's control socket) is what the canvas must show; taps go
through the canvas; two tabs see the same; a restarted Tavrelin comes back under the page; a
wrong token and a foreign origin are refused. On a failure, screenshots of every tab are saved
and their paths printed.

    tavrelin_web_browser_test.py BUILD_DIR OUTPUT_DIR
"""

import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

BUILD = ""
OUTPUT = ""
TIMEOUT = 20.0
GATEWAY = "http://127.0.0.1:8023"
SECURE_GATEWAY_PORT = 8024
FOREIGN_PORT = 8099
TOKEN = "correct-horse-battery-staple"


def wait_for(condition, timeout=TIMEOUT, what="condition"):
    """Calls condition until it returns something true; that value, or an AssertionError."""
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        try:
            last = condition()
        except WebDriverException as error:
            last = error
        else:
            if last:
                return last
        time.sleep(0.02)
    raise AssertionError(f"gave up waiting for {what} (last: {last!r})"[:2000])


def to565(red, green, blue):
    return ((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3)


class Tavrelin:
    """Tavrelin on the headless screen, driven through its control socket."""

    def __init__(self, folder):
        self.folder = folder
        self.control = os.path.join(folder, "control")
        self.process = None

    def start(self):
        environment = dict(os.environ, CE_DISPLAY="headless", CE_SCREEN="272x480",
                           CE_HEADLESS_CONTROL=self.control,
                           CE_OBJECTS_DIR=os.path.join(self.folder, "objects"))
        self.process = subprocess.Popen([os.path.join(BUILD, "server", "Tavrelin")],
                                        env=environment, cwd=self.folder,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: self.command("windows"), what="Tavrelin's control socket")
        wait_for(self.listening, what="Tavrelin listening")

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.process = None
        if os.path.exists(self.control):
            os.unlink(self.control)

    @staticmethod
    def listening():
        with open("/proc/net/tcp") as table:
            return any(":5A5E 00000000:0000 0A" in line for line in table)

    def command(self, line):
        """The answer lines of one command, or None when the socket does not answer. "windows"
        and "children" answer "ok", lines and an empty line; the others one line."""
        listing = line.startswith(("windows", "children"))
        try:
            with socket.socket(socket.AF_UNIX) as connection:
                connection.settimeout(5)
                connection.connect(self.control)
                connection.sendall(line.encode() + b"\n")
                answer = b""
                while not (answer.endswith(b"\n\n") if listing else answer.endswith(b"\n")):
                    chunk = connection.recv(65536)
                    if not chunk:
                        return None
                    answer += chunk
        except OSError:
            return None
        lines = answer.decode().splitlines()
        return lines[:-1] if listing else lines


    def screen565(self):
        """The screen as (width, height, [RGB565 words, top row first])."""
        path = os.path.join(self.folder, "screen.ppm")
        answer = self.command("screenshot " + path)
        assert answer == ["ok"], answer
        with open(path, "rb") as image:
            data = image.read()
        fields = data.split(maxsplit=4)
        width, height = int(fields[1]), int(fields[2])
        pixels = fields[4][: width * height * 3]
        words = [to565(pixels[i], pixels[i + 1], pixels[i + 2])
                 for i in range(0, len(pixels), 3)]
        return width, height, words

    def windows(self, command):
        """(id, class, title, (left, top, right, bottom)) of each line of the answer."""
        shown = []
        for line in self.command(command) or []:
            if "|" not in line:
                continue  # the "ok" that heads the answer
            identity, rest = line.split(" ", 1)
            kind, title, rectangle = rest.split("|")
            shown.append((identity, kind, title, tuple(int(n) for n in rectangle.split())))
        return shown

    def control_named(self, text):
        """(left, top, right, bottom) of the control window's child that shows the text."""
        for identity, kind, _, _ in self.windows("windows"):
            if kind == "Quintaro":
                for _, _, title, rectangle in self.windows("children " + identity):
                    if title == text:
                        return rectangle
        return None


class Gateway:
    def __init__(self, arguments):
        self.process = subprocess.Popen(
            [os.path.join(BUILD, "tools", "tavrelin-web", "tavrelin-web")] + arguments,
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.first_line = self.process.stdout.readline().strip()
        assert self.first_line.startswith("listening "), self.first_line

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        assert self.process.wait(timeout=10) == 0


class BrowserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="tavrelin-web-browser-")
        cls.tavrelin = Tavrelin(cls.folder)
        cls.tavrelin.start()
        cls.gateway = Gateway(["--device", "dev=127.0.0.1", "--poll-ms", "10"])
        token_file = os.path.join(cls.folder, "token")
        with open(token_file, "w") as file:
            file.write(TOKEN + "\n")
        # HTTPS and WSS with a certificate made for the test (the browser is told to take it).
        cert, key = os.path.join(cls.folder, "cert.pem"), os.path.join(cls.folder, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                        "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1", "-subj",
                        "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key,
                        "-out", cert], check=True, capture_output=True)
        # A device of its own that nothing serves: two gateways would be two viewers of one.
        cls.secure = Gateway(["--device", "dev=127.0.0.1:23135",
                              "--listen", f"127.0.0.1:{SECURE_GATEWAY_PORT}",
                              "--token-file", token_file, "--cert", cert, "--key", key])
        assert cls.secure.first_line == f"listening https://127.0.0.1:{SECURE_GATEWAY_PORT}/", \
            cls.secure.first_line
        # A page of another origin, served by a plain file server.
        foreign = os.path.join(cls.folder, "foreign")
        os.mkdir(foreign)
        with open(os.path.join(foreign, "index.html"), "w") as file:
            file.write("<!doctype html><title>elsewhere</title>")
        cls.foreign = subprocess.Popen(
            [sys.executable, "-m", "http.server", str(FOREIGN_PORT), "--bind", "127.0.0.1",
             "--directory", foreign], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                         "--no-first-run", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync",
                         "--user-data-dir=" + os.path.join(cls.folder, "chromium"),
                         "--window-size=700,1100", "--force-device-scale-factor=1",
                         "--ignore-certificate-errors"]:
            options.add_argument(argument)
        cls.browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.foreign.terminate()
        cls.foreign.wait()
        cls.gateway.stop()
        cls.secure.stop()
        cls.tavrelin.stop()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def setUp(self):
        if self.tavrelin.process is None or self.tavrelin.process.poll() is not None:
            self.tavrelin.start()
        # One tab, fresh, at the gateway.
        while len(self.browser.window_handles) > 1:
            self.browser.switch_to.window(self.browser.window_handles[-1])
            self.browser.close()
        self.browser.switch_to.window(self.browser.window_handles[0])
        self.browser.get("about:blank")

    def tearDown(self):
        outcome = getattr(self, "_outcome", None)
        failed = outcome is not None and any(
            error for _, error in getattr(outcome.result, "errors", []) +
            getattr(outcome.result, "failures", []) if _ is self)
        if failed:
            os.makedirs(OUTPUT, exist_ok=True)
            for index, handle in enumerate(self.browser.window_handles):
                self.browser.switch_to.window(handle)
                path = os.path.join(OUTPUT, f"{self._testMethodName}-tab{index}.png")
                self.browser.save_screenshot(path)
                print(f"screenshot of the page: {path}", file=sys.stderr)

    # ---- the page ----

    def open_device(self, base=GATEWAY):
        self.browser.get(base + "/#device/dev")
        return wait_for(lambda: self.browser.find_element(By.ID, "screen"), what="the canvas")

    def state(self):
        return self.browser.find_element(By.ID, "screen").get_attribute("data-state")

    def canvas565(self):
        """The canvas as (width, height, [RGB565 words, top row first])."""
        result = self.browser.execute_script("""
            const canvas = document.getElementById("screen");
            if (canvas.width < 2) return null;
            const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
            const words = new Array(canvas.width * canvas.height);
            for (let i = 0; i < words.length; ++i) {
              const r = data[4 * i], g = data[4 * i + 1], b = data[4 * i + 2];
              words[i] = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
            }
            return [canvas.width, canvas.height, words.join(",")];""")
        if not result:
            return None
        return result[0], result[1], [int(word) for word in result[2].split(",")]

    def wait_until_canvas_is_the_screen(self, what):
        def same():
            canvas = self.canvas565()
            return canvas is not None and canvas == self.tavrelin.screen565()
        wait_for(same, what=what)

    def press_on_canvas(self, x, y):
        """Presses the left button at device pixel (x, y) of the canvas and holds it."""
        canvas = self.browser.find_element(By.ID, "screen")
        size = self.browser.execute_script(
            "const b = arguments[0].getBoundingClientRect(); return [b.width, b.height];", canvas)
        # Offsets count from the element's centre.
        dx = (x + 0.5) * size[0] / 272 - size[0] / 2
        dy = (y + 0.5) * size[1] / 480 - size[1] / 2
        ActionChains(self.browser).move_to_element_with_offset(canvas, int(dx), int(dy)) \
            .click_and_hold().perform()

    def release(self):
        ActionChains(self.browser).release().perform()

    # ---- the tests ----

    def test_canvas_shows_exactly_the_devices_screen(self):
        self.open_device()
        wait_for(lambda: self.state() == "connected", what="connected")
        self.wait_until_canvas_is_the_screen("the canvas to equal the device's screen")
        self.assertEqual(self.browser.execute_script(
            "return getComputedStyle(document.getElementById('screen')).imageRendering"),
            "pixelated", "a whole zoom factor keeps the pixels sharp")

    def test_a_press_shows_in_both_tabs_and_the_click_stops_tavrelin(self):
        stop = wait_for(lambda: self.tavrelin.control_named("Stop"), what="the Stop button")
        first = self.browser.current_window_handle
        self.open_device()
        wait_for(lambda: self.state() == "connected", what="first tab connected")
        self.browser.switch_to.new_window("tab")
        second = self.browser.current_window_handle
        self.open_device()
        wait_for(lambda: self.state() == "connected", what="second tab connected")
        self.wait_until_canvas_is_the_screen("the second tab to show the screen")
        before = self.tavrelin.screen565()

        self.browser.switch_to.window(first)
        self.press_on_canvas((stop[0] + stop[2]) // 2, (stop[1] + stop[3]) // 2)
        # The device draws the pressed button; both tabs show it.
        wait_for(lambda: self.tavrelin.screen565() != before, what="the device to show the press")
        self.wait_until_canvas_is_the_screen("the pressing tab to show the press")
        self.browser.switch_to.window(second)
        self.wait_until_canvas_is_the_screen("the other tab to show the press")

        self.browser.switch_to.window(first)
        self.release()
        # Stop: Tavrelin drops its viewer and listens no more; the page says so.
        wait_for(lambda: not Tavrelin.listening() and self.state() == "busy",
                 what="Tavrelin stopped and the page saying it is busy")
        message = self.browser.find_element(By.ID, "message").text
        self.assertIn("refused", message)
        # Start on the device itself: the page comes back by itself.
        start = self.tavrelin.control_named("Start")
        self.assertEqual(self.tavrelin.command(
            f"tap {(start[0] + start[2]) // 2} {(start[1] + start[3]) // 2}"), ["ok"])
        wait_for(lambda: self.state() == "connected", what="the page to reconnect")
        self.wait_until_canvas_is_the_screen("the canvas to show the started device")

    def test_tavrelin_restarted_under_the_page_comes_back(self):
        self.open_device()
        wait_for(lambda: self.state() == "connected", what="connected")
        frames = int(self.browser.find_element(By.ID, "screen").get_attribute("data-frames"))
        self.tavrelin.stop()
        wait_for(lambda: self.state() in ("reconnecting", "busy"), what="the page to notice")
        self.tavrelin.start()
        wait_for(lambda: self.state() == "connected", what="the page to reconnect")
        self.wait_until_canvas_is_the_screen("the canvas to show the new Tavrelin")
        self.assertGreater(
            int(self.browser.find_element(By.ID, "screen").get_attribute("data-frames")), frames)

    def test_the_device_list_shows_a_live_thumbnail(self):
        self.browser.get(GATEWAY + "/")
        badge = wait_for(lambda: self.browser.find_element(By.CSS_SELECTOR, "#devices .badge"),
                         what="the device card")
        wait_for(lambda: badge.text == "connected", what="the card's state")
        wait_for(lambda: self.browser.execute_script(
            "return document.querySelector('#devices canvas').width") == 272,
            what="the thumbnail")

    def test_over_tls_a_wrong_token_is_refused_and_the_right_one_opens(self):
        base = f"https://127.0.0.1:{SECURE_GATEWAY_PORT}"
        self.browser.get(base + "/")
        wait_for(lambda: self.browser.find_element(By.ID, "login").is_displayed(),
                 what="the token form")
        self.browser.find_element(By.ID, "token").send_keys("not-the-token-at-all")
        self.browser.find_element(By.CSS_SELECTOR, "#login button").click()
        wait_for(lambda: "not right" in self.browser.find_element(By.ID, "login-error").text,
                 what="the wrong token refused")
        # The device's socket refuses it too, with its own close code.
        code = self.browser.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const socket = new WebSocket(`wss://${location.host}/ws/dev`);
            socket.onopen = () => socket.send("not-the-token-at-all");
            socket.onmessage = () => done("told something");
            socket.onclose = (event) => done(event.code);""")
        self.assertEqual(code, 4001)
        self.browser.find_element(By.ID, "token").send_keys(TOKEN)
        self.browser.find_element(By.CSS_SELECTOR, "#login button").click()
        wait_for(lambda: self.browser.find_element(By.CSS_SELECTOR, "#devices .name").text == "dev",
                 what="the device list")

    def test_a_page_of_another_origin_cannot_connect(self):
        self.browser.get(f"http://127.0.0.1:{FOREIGN_PORT}/")
        result = self.browser.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const socket = new WebSocket("ws://127.0.0.1:8023/ws/dev");
            let opened = false;
            socket.onopen = () => { opened = true; socket.send(""); };
            socket.onclose = (event) => done([opened, event.code]);""")
        self.assertEqual(result, [False, 1006])
        answer = self.browser.execute_async_script("""
            const done = arguments[arguments.length - 1];
            fetch("http://127.0.0.1:8023/devices").then(() => done("read"), () => done("blocked"));""")
        self.assertEqual(answer, "blocked", "no cross-origin reading of the device list")


if __name__ == "__main__":
    BUILD, OUTPUT = sys.argv[1], sys.argv[2]
    del sys.argv[1:3]
    unittest.main(verbosity=2)
