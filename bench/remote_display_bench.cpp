// Time from a screen change to a picture that shows it, through Tavrelin and through an RFB
// server on the same X display:
//   remote_display_bench DISPLAY RUNS tavrelin PORT
//   remote_display_bench DISPLAY RUNS rfb PORT
// Each run paints a strip at the bottom of the root window in a new colour (XFillRectangle,
// XSync), then asks for the screen and times until the answer shows the change:
// - tavrelin: one update-request record (code 275) and the frame that follows it (the frame
//   carries only the changed bands);
// - rfb: a full-screen incremental FramebufferUpdateRequest in raw RGB565, repeated until an
//   update shows the change (the RFB server answers once its own polling of the screen sees it).
// Prints "median_ms=.. min_ms=.. max_ms=.. bytes_per_answer=..".
#include <X11/Xlib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kStripHeight = 24;

bool ReadExactly(int fd, void* buffer, std::size_t size) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t got = recv(fd, bytes, size, 0);
        if (got <= 0) {
            return false;
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t sent = send(fd, bytes, size, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

int ConnectLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        std::exit(1);
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

// Paints the bottom strip of the root window in colour `index`; neighbouring indexes differ in
// every channel, so the picture's bottom pixel changes with every strip.
void PaintStrip(Display* display, int index) {
    const unsigned red = (index * 53) & 0xF8;
    const unsigned green = (index * 97 + 40) & 0xFC;
    const unsigned blue = (index * 29 + 80) & 0xF8;
    XGCValues values{};
    const Window root = DefaultRootWindow(display);
    const int screen = DefaultScreen(display);
    XColor colour{};
    colour.red = static_cast<unsigned short>(red << 8);
    colour.green = static_cast<unsigned short>(green << 8);
    colour.blue = static_cast<unsigned short>(blue << 8);
    XAllocColor(display, DefaultColormap(display, screen), &colour);
    values.foreground = colour.pixel;
    GC gc = XCreateGC(display, root, GCForeground, &values);
    XFillRectangle(display, root, gc, 0, DisplayHeight(display, screen) - kStripHeight,
                   static_cast<unsigned>(DisplayWidth(display, screen)), kStripHeight);
    XFreeGC(display, gc);
    XSync(display, False);
}

// ---- Tavrelin -------------------------------------------------------------------------------

struct TavrelinPeer {
    int fd = -1;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> picture;  // RGB565 bottom-up, as the server sends it

    void RequestUpdate() const {
        const std::array<std::uint8_t, 12> record{0xFF, 0xFF, 0xFF, 0xFF, 0x13, 0x01,
                                                  0,    0,    0,    0,    0,    0};
        WriteAll(fd, record.data(), record.size());
    }

    // Reads one frame into the picture; its total length, or 0 when the connection ended.
    std::size_t ReadFrame() {
        char header[11] = {};
        if (!ReadExactly(fd, header, 10)) {
            return 0;
        }
        const std::size_t total = std::strtoul(header + 1, nullptr, 10);
        std::vector<std::uint8_t> payload(total - 10);
        if (!ReadExactly(fd, payload.data(), payload.size())) {
            return 0;
        }
        const std::size_t bandSize = static_cast<std::size_t>(width) * height * 2 / 40;
        for (std::size_t at = 0; at + bandSize + 1 <= payload.size(); at += bandSize + 1) {
            std::memcpy(picture.data() + payload[at] * bandSize, &payload[at + 1], bandSize);
        }
        return total;
    }

    // The bottom-left pixel: the first pixel in memory.
    std::uint16_t BottomPixel() const {
        return static_cast<std::uint16_t>(picture[0] | (picture[1] << 8));
    }
};

// ---- RFB ------------------------------------------------------------------------------------

struct RfbPeer {
    int fd = -1;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> picture;  // RGB565 top-down

    bool Handshake() {
        char version[12];
        if (!ReadExactly(fd, version, 12) || !WriteAll(fd, "RFB 003.008\n", 12)) {
            return false;
        }
        std::uint8_t count = 0;
        if (!ReadExactly(fd, &count, 1) || count == 0) {
            return false;
        }
        std::vector<std::uint8_t> types(count);
        ReadExactly(fd, types.data(), count);
        if (std::find(types.begin(), types.end(), 1) == types.end()) {
            std::fprintf(stderr, "the RFB server wants authentication\n");
            return false;
        }
        const std::uint8_t none = 1;
        std::uint32_t result = 1;
        if (!WriteAll(fd, &none, 1) || !ReadExactly(fd, &result, 4) || result != 0) {
            return false;
        }
        const std::uint8_t shared = 1;
        std::array<std::uint8_t, 24> init{};
        if (!WriteAll(fd, &shared, 1) || !ReadExactly(fd, init.data(), init.size())) {
            return false;
        }
        width = (init[0] << 8) | init[1];
        height = (init[2] << 8) | init[3];
        std::uint32_t nameLength = 0;
        std::memcpy(&nameLength, &init[20], 4);
        std::vector<char> name(ntohl(nameLength));
        ReadExactly(fd, name.data(), name.size());
        picture.assign(static_cast<std::size_t>(width) * height * 2, 0);
        // SetPixelFormat: 16 bits, little-endian RGB565; SetEncodings: raw only.
        const std::array<std::uint8_t, 20> format{0, 0,  0, 0,  16, 16, 0, 1, 0, 31,
                                                  0, 63, 0, 31, 11, 5,  0, 0, 0, 0};
        const std::array<std::uint8_t, 8> encodings{2, 0, 0, 1, 0, 0, 0, 0};
        return WriteAll(fd, format.data(), format.size()) &&
               WriteAll(fd, encodings.data(), encodings.size());
    }

    // incremental = 1 asks for what changed (the server answers once it sees a change); 0 for the
    // whole screen as the server's copy holds it now.
    void RequestFull(std::uint8_t incremental) const {
        const std::array<std::uint8_t, 10> request{3,
                                                   incremental,
                                                   0,
                                                   0,
                                                   0,
                                                   0,
                                                   static_cast<std::uint8_t>(width >> 8),
                                                   static_cast<std::uint8_t>(width),
                                                   static_cast<std::uint8_t>(height >> 8),
                                                   static_cast<std::uint8_t>(height)};
        WriteAll(fd, request.data(), request.size());
    }

    // Reads server messages up to and including one framebuffer update; its byte count, or 0.
    std::size_t ReadUpdate() {
        for (;;) {
            std::uint8_t type = 0;
            if (!ReadExactly(fd, &type, 1)) {
                return 0;
            }
            if (type == 2) {  // bell
                continue;
            }
            if (type == 3) {  // cut text
                std::array<std::uint8_t, 7> head{};
                ReadExactly(fd, head.data(), head.size());
                std::uint32_t length = 0;
                std::memcpy(&length, &head[3], 4);
                std::vector<char> text(ntohl(length));
                ReadExactly(fd, text.data(), text.size());
                continue;
            }
            if (type != 0) {
                std::fprintf(stderr, "unexpected RFB message %u\n", type);
                return 0;
            }
            std::array<std::uint8_t, 3> head{};
            ReadExactly(fd, head.data(), head.size());
            const int rectangles = (head[1] << 8) | head[2];
            std::size_t bytes = 4;
            for (int i = 0; i < rectangles; ++i) {
                std::array<std::uint8_t, 12> rect{};
                if (!ReadExactly(fd, rect.data(), rect.size())) {
                    return 0;
                }
                const int x = (rect[0] << 8) | rect[1];
                const int y = (rect[2] << 8) | rect[3];
                const int w = (rect[4] << 8) | rect[5];
                const int h = (rect[6] << 8) | rect[7];
                const std::int32_t encoding = static_cast<std::int32_t>(
                    (rect[8] << 24) | (rect[9] << 16) | (rect[10] << 8) | rect[11]);
                if (encoding != 0) {
                    std::fprintf(stderr, "unexpected RFB encoding %d\n", encoding);
                    return 0;
                }
                std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * h * 2);
                if (!ReadExactly(fd, pixels.data(), pixels.size())) {
                    return 0;
                }
                for (int row = 0; row < h; ++row) {
                    std::memcpy(&picture[(static_cast<std::size_t>(y + row) * width + x) * 2],
                                &pixels[static_cast<std::size_t>(row) * w * 2],
                                static_cast<std::size_t>(w) * 2);
                }
                bytes += 12 + pixels.size();
            }
            return bytes;
        }
    }

    std::uint16_t BottomPixel() const {
        const std::size_t at = static_cast<std::size_t>(height - 1) * width * 2;
        return static_cast<std::uint16_t>(picture[at] | (picture[at + 1] << 8));
    }
};

void Report(std::vector<double> times, std::size_t bytes) {
    std::sort(times.begin(), times.end());
    std::printf("runs=%zu median_ms=%.3f min_ms=%.3f max_ms=%.3f bytes_per_answer=%zu\n",
                times.size(), times[times.size() / 2], times.front(), times.back(), bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s DISPLAY RUNS tavrelin|rfb PORT\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(argv[1]);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open display %s\n", argv[1]);
        return 1;
    }
    const int runs = std::atoi(argv[2]);
    const std::string kind = argv[3];
    const int port = std::atoi(argv[4]);
    std::vector<double> times;
    std::size_t bytes = 0;

    if (kind == "tavrelin") {
        TavrelinPeer peer;
        peer.fd = ConnectLoopback(port);
        peer.width = DisplayWidth(display, DefaultScreen(display));
        peer.height = DisplayHeight(display, DefaultScreen(display));
        peer.picture.assign(static_cast<std::size_t>(peer.width) * peer.height * 2, 0xFF);
        peer.RequestUpdate();
        peer.ReadFrame();  // the first frame carries the whole screen
        for (int run = 0; run < runs; ++run) {
            const std::uint16_t before = peer.BottomPixel();
            PaintStrip(display, run + 1);
            const auto start = Clock::now();
            do {
                peer.RequestUpdate();
                bytes = peer.ReadFrame();
                if (bytes == 0) {
                    std::fprintf(stderr, "the server closed the connection\n");
                    return 1;
                }
            } while (peer.BottomPixel() == before);
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    } else {
        RfbPeer peer;
        peer.fd = ConnectLoopback(port);
        if (!peer.Handshake()) {
            std::fprintf(stderr, "RFB handshake failed\n");
            return 1;
        }
        peer.RequestFull(0);
        peer.ReadUpdate();
        for (int run = 0; run < runs; ++run) {
            const std::uint16_t before = peer.BottomPixel();
            PaintStrip(display, run + 1);
            const auto start = Clock::now();
            do {
                peer.RequestFull(1);
                bytes = peer.ReadUpdate();
                if (bytes == 0) {
                    return 1;
                }
            } while (peer.BottomPixel() == before);
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    Report(times, bytes);
    XCloseDisplay(display);
    return 0;
}
