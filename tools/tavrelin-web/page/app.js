// The page of tavrelin-web: the device list with live thumbnails, and one device's screen that
// takes mouse, pen and touch input. Talks only to the gateway that served it.
"use strict";

const kTokenKey = "tavrelin-web-token";
const kCloseWrongToken = 4001;
const kFirstRetryMs = 250;
const kLastRetryMs = 5000;
const kMoveGapMs = 16;
const Kind = { move: 0, leftDown: 1, leftUp: 2, rightDown: 3, rightUp: 4 };

const $ = (id) => document.getElementById(id);

// RGB565 to RGBA, channels widened by repeating their top bits (as the native viewer does).
const kRgba = (() => {
  const table = new Uint32Array(65536);
  const littleEndian = new Uint8Array(new Uint32Array([1]).buffer)[0] === 1;
  for (let pixel = 0; pixel < 65536; ++pixel) {
    const r5 = (pixel >> 11) & 31, g6 = (pixel >> 5) & 63, b5 = pixel & 31;
    const r = (r5 << 3) | (r5 >> 2), g = (g6 << 2) | (g6 >> 4), b = (b5 << 3) | (b5 >> 2);
    table[pixel] = littleEndian ? ((255 << 24) | (b << 16) | (g << 8) | r) >>> 0
                                : ((r << 24) | (g << 16) | (b << 8) | 255) >>> 0;
  }
  return table;
})();

function token() { return sessionStorage.getItem(kTokenKey) || ""; }

// One device's picture as the gateway sends it: bands of the bottom-up RGB565 screen.
class Picture {
  constructor(canvas) {
    this.canvas = canvas;
    this.context = canvas.getContext("2d", { alpha: false });
    this.width = 0;
    this.height = 0;
  }

  // Applies one frame message; returns false when it is not one.
  apply(bytes) {
    if (bytes.length < 6 || bytes[0] !== 1) return false;
    const width = bytes[2] | (bytes[3] << 8), height = bytes[4] | (bytes[5] << 8);
    if (width === 0 || height === 0) return false;
    if (width !== this.width || height !== this.height) this.resize(width, height);
    const bandSize = Math.floor((width * height * 2) / 40);
    let top = height, bottom = -1;
    for (let at = 6; at + bandSize < bytes.length + 1; at += bandSize + 1) {
      const band = bytes[at];
      if (band >= 40) return false;
      const start = band * bandSize;
      this.memory.set(bytes.subarray(at + 1, at + 1 + bandSize), start);
      const firstRow = Math.floor(start / this.stride);
      const lastRow = Math.min(this.height - 1, Math.floor((start + bandSize - 1) / this.stride));
      for (let row = firstRow; row <= lastRow; ++row) this.convertRow(row);
      top = Math.min(top, height - 1 - lastRow);
      bottom = Math.max(bottom, height - 1 - firstRow);
    }
    if (bottom >= top) this.context.putImageData(this.image, 0, 0, 0, top, width, bottom - top + 1);
    return true;
  }

  resize(width, height) {
    this.width = width;
    this.height = height;
    this.stride = (width * 2 + 3) & ~3;
    this.memory = new Uint8Array(this.stride * height).fill(0xff);
    this.canvas.width = width;
    this.canvas.height = height;
    this.image = this.context.createImageData(width, height);
    this.pixels = new Uint32Array(this.image.data.buffer);
    this.pixels.fill(kRgba[0xffff]);
    this.canvas.dispatchEvent(new Event("resized"));
  }

  // Memory row `row` (0 = the bottom of the screen) into the image.
  convertRow(row) {
    const memory = this.memory, pixels = this.pixels, width = this.width;
    const from = row * this.stride;
    const to = (this.height - 1 - row) * width;
    for (let x = 0; x < width; ++x) {
      pixels[to + x] = kRgba[memory[from + 2 * x] | (memory[from + 2 * x + 1] << 8)];
    }
  }
}

// A WebSocket to one device that comes back by itself: it retries with a growing wait when the
// gateway cannot be reached, and stops for good only when the token is refused.
class DeviceSocket {
  constructor(name, view, handlers) {
    this.name = name;
    this.view = view;
    this.handlers = handlers;
    this.retryMs = kFirstRetryMs;
    this.closed = false;
    this.open();
  }

  open() {
    const scheme = location.protocol === "https:" ? "wss:" : "ws:";
    const query = this.view === "thumbnail" ? "?view=thumbnail" : "";
    const socket = new WebSocket(`${scheme}//${location.host}/ws/${encodeURIComponent(this.name)}${query}`);
    socket.binaryType = "arraybuffer";
    this.socket = socket;
    socket.onopen = () => {
      socket.send(token());
      this.handlers.gateway(true);
    };
    socket.onmessage = (event) => {
      this.retryMs = kFirstRetryMs;
      if (typeof event.data === "string") this.handlers.status(JSON.parse(event.data));
      else this.handlers.frame(new Uint8Array(event.data));
    };
    socket.onclose = (event) => {
      if (this.closed) return;
      if (event.code === kCloseWrongToken) {
        this.handlers.refused(event.reason);
        return;
      }
      const wait = this.retryMs;
      this.retryMs = Math.min(kLastRetryMs, this.retryMs * 2);
      this.handlers.gateway(false, wait);
      this.timer = setTimeout(() => this.open(), wait);
    };
  }

  send(bytes) {
    if (this.socket.readyState === WebSocket.OPEN) this.socket.send(bytes);
  }

  close() {
    this.closed = true;
    clearTimeout(this.timer);
    this.socket.close();
  }
}

function pointerMessage(kind, x, y) {
  return new Uint8Array([kind, x & 255, x >> 8, y & 255, y >> 8]);
}

function describe(status) {
  switch (status.state) {
    case "connected": return "";
    case "busy": return `Busy: ${status.detail}. Trying again in ${secondsOf(status.retryMs)}.`;
    case "unreachable": return `Unreachable: ${status.detail}. Trying again in ${secondsOf(status.retryMs)}.`;
    case "reconnecting": return `Reconnecting: ${status.detail}. Next try in ${secondsOf(status.retryMs)}.`;
    case "connecting": return "Connecting to the device...";
    default: return status.detail || "";
  }
}

function secondsOf(ms) { return `${(ms / 1000).toFixed(ms < 1000 ? 1 : 0)} s`; }

function setBadge(element, state) {
  element.hidden = false;
  element.textContent = state;
  element.className = `badge ${state}`;
}

// ---- the device list ----

let listSockets = [];

function closeList() {
  for (const socket of listSockets) socket.close();
  listSockets = [];
  $("devices").hidden = true;
  $("devices").replaceChildren();
}

async function showList() {
  closeList();
  $("title").textContent = "";
  $("state").hidden = true;
  $("figures").textContent = "";
  $("shot").hidden = true;
  let answer;
  try {
    answer = await fetch("devices", { headers: token() ? { Authorization: `Bearer ${token()}` } : {},
                                       cache: "no-store" });
  } catch (error) {
    notice("The gateway cannot be reached. Reload the page to try again.");
    return;
  }
  if (answer.status === 401) {
    askToken(token() ? "That token is not right." : "");
    return;
  }
  const list = (await answer.json()).devices;
  notice(list.length ? "" : "The gateway has no devices.");
  const items = $("devices");
  for (const device of list) {
    const item = document.createElement("li");
    item.innerHTML = `<a><canvas width="1" height="1"></canvas><span class="name"></span>
      <span class="address"></span><span class="badge">connecting</span></a>`;
    const link = item.querySelector("a");
    link.href = `#device/${encodeURIComponent(device.name)}`;
    item.querySelector(".name").textContent = device.name;
    item.querySelector(".address").textContent = device.address;
    const badge = item.querySelector(".badge");
    const picture = new Picture(item.querySelector("canvas"));
    picture.canvas.addEventListener("resized", () => {
      picture.canvas.style.aspectRatio = `${picture.width} / ${picture.height}`;
    });
    listSockets.push(new DeviceSocket(device.name, "thumbnail", {
      status: (status) => { setBadge(badge, status.state); badge.title = describe(status); },
      frame: (bytes) => picture.apply(bytes),
      gateway: (up) => { if (!up) setBadge(badge, "offline"); },
      refused: () => askToken("That token is not right."),
    }));
    items.append(item);
  }
  items.hidden = false;
}

// ---- one device ----

let device = null;

class DeviceView {
  constructor(name) {
    this.name = name;
    this.canvas = $("screen");
    this.picture = new Picture(this.canvas);
    this.frames = 0;
    this.framesThisSecond = 0;
    this.fps = 0;
    this.inputSentAt = null;
    this.lastInputMs = null;
    this.lastMoveAt = 0;
    this.pendingMove = null;
    this.down = null;
    this.canvas.dataset.frames = "0";
    this.canvas.classList.add("stale");
    $("title").textContent = name;
    $("shot").hidden = false;
    $("view").hidden = false;
    this.onResize = () => this.fit();
    window.addEventListener("resize", this.onResize);
    this.canvas.addEventListener("resized", this.onResize);
    this.bindInput();
    this.ticker = setInterval(() => this.tick(), 1000);
    this.socket = new DeviceSocket(name, "full", {
      status: (status) => this.status(status),
      frame: (bytes) => this.frame(bytes),
      gateway: (up, wait) => {
        if (up) return;
        setBadge($("state"), "offline");
        this.message(`The gateway cannot be reached. Trying again in ${secondsOf(wait)}.`, true);
        this.canvas.classList.add("stale");
      },
      refused: () => askToken("That token is not right."),
    });
  }

  close() {
    this.socket.close();
    clearInterval(this.ticker);
    window.removeEventListener("resize", this.onResize);
    this.canvas.removeEventListener("resized", this.onResize);
    for (const [type, handler] of this.listeners) this.canvas.removeEventListener(type, handler);
    $("view").hidden = true;
  }

  status(status) {
    setBadge($("state"), status.state);
    this.canvas.dataset.state = status.state;
    this.message(describe(status), status.state !== "connected" && status.state !== "connecting");
    this.canvas.classList.toggle("stale", status.state !== "connected");
  }

  message(text, bad) {
    $("message").textContent = text;
    $("message").className = bad ? "bad" : "";
  }

  frame(bytes) {
    if (!this.picture.apply(bytes)) return;
    const now = performance.now();
    if (this.inputSentAt !== null) {
      this.lastInputMs = now - this.inputSentAt;
      this.inputSentAt = null;
    }
    ++this.frames;
    ++this.framesThisSecond;
    this.canvas.dataset.frames = String(this.frames);
    this.figures();
    if (window.tavrelinPainted) window.tavrelinPainted(now);
  }

  tick() {
    this.fps = this.framesThisSecond;
    this.framesThisSecond = 0;
    this.figures();
  }

  figures() {
    const latency = this.lastInputMs === null ? "–" : `${this.lastInputMs.toFixed(1)} ms`;
    $("figures").textContent = `${this.fps} fps · input→picture ${latency}`;
  }

  // The largest size that fits the stage; a whole zoom factor (pixels stay sharp) when the
  // screen fits at least once.
  fit() {
    const { width, height } = this.picture;
    if (!width) return;
    const stage = $("stage").getBoundingClientRect();
    let scale = Math.min(stage.width / width, stage.height / height);
    const crisp = scale >= 1;
    if (crisp) scale = Math.floor(scale);
    this.canvas.style.width = `${width * scale}px`;
    this.canvas.style.height = `${height * scale}px`;
    this.canvas.classList.toggle("crisp", crisp);
  }

  // A pointer position in device pixels.
  spot(event) {
    const box = this.canvas.getBoundingClientRect();
    const x = Math.floor(((event.clientX - box.left) * this.picture.width) / box.width);
    const y = Math.floor(((event.clientY - box.top) * this.picture.height) / box.height);
    return [Math.max(0, Math.min(this.picture.width - 1, x)),
            Math.max(0, Math.min(this.picture.height - 1, y))];
  }

  send(kind, [x, y]) {
    this.socket.send(pointerMessage(kind, x, y));
  }

  bindInput() {
    const canvas = this.canvas;
    this.listeners = [
      ["contextmenu", (event) => event.preventDefault()],
      ["pointerdown", (event) => {
        if (!this.picture.width || this.down !== null) return;
        event.preventDefault();
        canvas.setPointerCapture(event.pointerId);
        // Touch and pen press with the left button; a mouse with the button it pressed.
        const right = event.pointerType === "mouse" && event.button === 2;
        if (event.pointerType === "mouse" && event.button !== 0 && !right) return;
        this.down = { id: event.pointerId, right };
        this.inputSentAt = performance.now();
        this.send(right ? Kind.rightDown : Kind.leftDown, this.spot(event));
      }],
      ["pointermove", (event) => {
        if (!this.picture.width) return;
        if (this.down !== null && event.pointerId !== this.down.id) return;
        if (this.down === null && event.pointerType !== "mouse") return;
        this.pendingMove = this.spot(event);
        this.flushMove();
      }],
      ["pointerup", (event) => this.release(event)],
      ["pointercancel", (event) => this.release(event)],
    ];
    for (const [type, handler] of this.listeners) canvas.addEventListener(type, handler);
  }

  // Moves go out at most every kMoveGapMs; the latest position wins.
  flushMove() {
    clearTimeout(this.moveTimer);
    const now = performance.now();
    const wait = this.lastMoveAt + kMoveGapMs - now;
    if (wait > 0) {
      this.moveTimer = setTimeout(() => this.flushMove(), wait);
      return;
    }
    if (this.pendingMove === null) return;
    this.send(Kind.move, this.pendingMove);
    this.pendingMove = null;
    this.lastMoveAt = now;
  }

  release(event) {
    if (this.down === null || event.pointerId !== this.down.id) return;
    event.preventDefault();
    clearTimeout(this.moveTimer);
    this.pendingMove = null;
    this.inputSentAt = performance.now();
    this.send(this.down.right ? Kind.rightUp : Kind.leftUp, this.spot(event));
    this.down = null;
  }

  screenshot() {
    const stamp = new Date().toISOString().replace(/[:.]/g, "-");
    this.canvas.toBlob((blob) => {
      const link = document.createElement("a");
      link.href = URL.createObjectURL(blob);
      link.download = `${this.name}-${stamp}.png`;
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    }, "image/png");
  }
}

// ---- the token and the routes ----

function notice(text) {
  $("notice").textContent = text;
  $("notice").hidden = !text;
}

function askToken(error) {
  closeList();
  if (device) { device.close(); device = null; }
  $("login").hidden = false;
  $("login-error").textContent = error;
  $("login-error").hidden = !error;
  $("token").focus();
}

function route() {
  if (device) { device.close(); device = null; }
  closeList();
  $("login").hidden = true;
  notice("");
  const match = /^#device\/(.+)$/.exec(location.hash);
  if (match) device = new DeviceView(decodeURIComponent(match[1]));
  else showList();
}

$("login").addEventListener("submit", (event) => {
  event.preventDefault();
  sessionStorage.setItem(kTokenKey, $("token").value);
  $("token").value = "";
  route();
});
$("shot").addEventListener("click", () => device && device.screenshot());
window.addEventListener("hashchange", route);
route();
