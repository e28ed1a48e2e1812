// Tavrelin's update step (capture the screen, compare the 40 bands, build the payload) on the X
// display it runs on; the payload goes to no viewer:
//   update_step_bench [RUNS] [CASE]
// Three cases: nothing changed; one band changed (a small rectangle drawn on the root window
// before each step); the whole screen changed (the root filled in a new colour before each
// step). Drawing is done and synchronised before the clock starts. bench/run_tavrelin_bench.sh
// runs it on Xvfb at 272x480x16 and 480x272x24; bench/run_instruction_bench.sh counts the
// instructions of its steps with callgrind.
#include <X11/Xlib.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "capture/screen_capture.h"

namespace {

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void Fill(Display* display, int x, int y, int width, int height, unsigned long pixel) {
    const Window root = DefaultRootWindow(display);
    XGCValues values{};
    values.foreground = pixel;
    GC gc = XCreateGC(display, root, GCForeground, &values);
    XFillRectangle(display, root, gc, x, y, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
    XFreeGC(display, gc);
    XSync(display, False);
}

// The one case to run, or all when null.
const char* g_onlyCase = nullptr;

void Measure(ScreenCapture& capture, const char* name, int runs,
             const std::function<void(int)>& change) {
    if (g_onlyCase != nullptr && std::strcmp(g_onlyCase, name) != 0) {
        return;
    }
    std::vector<double> micros;
    for (int run = 0; run < runs; ++run) {
        change(run);
        const auto start = Clock::now();
        // Under callgrind --collect-atstart=no only the steps themselves are counted.
        CALLGRIND_TOGGLE_COLLECT;
        capture.Update();
        CALLGRIND_TOGGLE_COLLECT;
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::printf("  %-12s median %7.1f us  p90 %7.1f us  min %7.1f us  (%d steps)\n", name,
                Percentile(micros, 0.5), Percentile(micros, 0.9), Percentile(micros, 0.0), runs);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
    g_onlyCase = argc > 2 ? argv[2] : nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "update_step_bench needs an X display\n");
        return 1;
    }
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    std::printf("%dx%dx%d:\n", width, height, DefaultDepth(display, DefaultScreen(display)));
    ScreenCapture capture;
    capture.Setup(0);
    capture.ResetPreviousFrame();
    capture.Update();

    Measure(capture, "no change", runs, [](int) {});
    Measure(capture, "one band", runs,
            [&](int run) { Fill(display, 10, height / 2, 8, 2, (run & 1) != 0 ? 0xFFFFFFu : 0u); });
    Measure(capture, "full screen", runs, [&](int run) {
        Fill(display, 0, 0, width, height, 0x010101u * static_cast<unsigned long>(run % 200 + 20));
    });
    capture.Teardown();
    XCloseDisplay(display);
    return 0;
}
