// Time of one screen capture as the display server makes it: BitBlt from the "DISPLAY" context
// into a bottom-up RGB565 DIB section of the whole screen.
//   capture_bench [RUNS]
// The display is the one the environment chooses (CE_DISPLAY, DISPLAY); bench/run_capture_bench.sh
// runs it on Xvfb at depth 16 and 24, portrait and landscape, and headless.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "windows.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Section {
    BITMAPINFOHEADER header{};
    DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
};

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 2000;
    HDC display = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    const int width = GetDeviceCaps(display, HORZRES);
    const int height = GetDeviceCaps(display, VERTRES);
    Section description;
    description.header.biSize = sizeof(BITMAPINFOHEADER);
    description.header.biWidth = width;
    description.header.biHeight = height;
    description.header.biPlanes = 1;
    description.header.biBitCount = 16;
    description.header.biCompression = BI_BITFIELDS;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(display, reinterpret_cast<BITMAPINFO*>(&description),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(display);
    if (display == nullptr || section == nullptr || memory == nullptr) {
        std::fprintf(stderr, "cannot set the capture up\n");
        return 1;
    }
    HGDIOBJ previous = SelectObject(memory, section);

    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(runs));
    // The first call makes the capture connection and its image.
    BitBlt(memory, 0, 0, width, height, display, 0, 0, SRCCOPY);
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        if (!BitBlt(memory, 0, 0, width, height, display, 0, 0, SRCCOPY)) {
            std::fprintf(stderr, "BitBlt failed\n");
            return 1;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::printf("%dx%d: median %.1f us, p90 %.1f us, min %.1f us over %d calls\n", width, height,
                Percentile(micros, 0.5), Percentile(micros, 0.9), Percentile(micros, 0.0), runs);

    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(section);
    DeleteDC(display);
    return 0;
}
