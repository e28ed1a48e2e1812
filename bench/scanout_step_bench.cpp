// Tavrelin's update step (capture the screen, compare the 40 bands, build the payload) with the
// screen read as the kernel's remote access reads a DRM scanout: the rows of a mapped XRGB8888
// framebuffer converted into the capture's RGB565. The kernel's own work per read (looking the
// framebuffer up, exporting and mapping it) is a handful of system calls and is not counted, as
// the X server's copy into shared memory is not in update_step_bench.
//   scanout_step_bench [RUNS] [CASE]
// The cases are update_step_bench's: no change, one band, full screen, at 272x480.
#include <valgrind/callgrind.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "capture/screen_capture.h"
#include "drivers/driver_factory.h"
#include "drivers/remote_access.h"
#include "drivers/screen_image.h"
#include "user/desktop.h"

namespace {

using namespace ce::drivers;

constexpr int kWidth = 272;
constexpr int kHeight = 480;

// The program's windows on an in-memory screen, as Tavrelin's headless service has them; the
// screen it reads is the scanout below.
class ScanoutDriver final : public DisplayDriver, public RemoteAccess {
public:
    explicit ScanoutDriver(std::vector<std::uint32_t>& scanout)
        : m_inner(CreatePlainHeadlessDriver()), m_scanout(scanout) {}

    const char* Name() const override { return "scanout"; }
    SIZE ScreenSize() const override { return {kWidth, kHeight}; }
    void Start(InputSink& sink) override { m_inner->Start(sink); }
    void Stop() override { m_inner->Stop(); }
    void UpdateWindow(const TopLevelWindow& window,
                      std::shared_ptr<const ce::gdi::Surface> surface) override {
        m_inner->UpdateWindow(window, std::move(surface));
    }
    void RemoveWindow(WindowId id) override { m_inner->RemoveWindow(id); }
    void Restack(std::span<const WindowId> topFirst) override { m_inner->Restack(topFirst); }
    void Present(WindowId id, const RECT& changed) override { m_inner->Present(id, changed); }
    void Activate(WindowId id) override { m_inner->Activate(id); }
    void SetCursor(CursorShape shape) override { m_inner->SetCursor(shape); }
    DisplayRotation ScreenRotation() const override { return DisplayRotation::k0; }
    RemoteAccess* Remote() override { return this; }

    bool ReadScreen(const RECT& screenRect, ce::gdi::Surface& destination, POINT at) override {
        const ScreenImage image{reinterpret_cast<const std::byte*>(m_scanout.data()),
                                kWidth * sizeof(std::uint32_t), kWidth, kHeight,
                                ScreenFormat{32, 0xFF0000u, 0x00FF00u, 0x0000FFu}};
        return CopyScreen(image, screenRect, destination, at);
    }
    POINT PointerPosition() const override { return {}; }
    void InjectPointerMove(POINT) override {}
    void InjectButton(MouseButton, bool) override {}
    ForeignWindowId FindForeignWindow(const char16_t*, const char16_t*) override { return 0; }
    bool RaiseForeignWindow(ForeignWindowId) override { return false; }

private:
    std::unique_ptr<DisplayDriver> m_inner;
    std::vector<std::uint32_t>& m_scanout;
};

void Fill(std::vector<std::uint32_t>& scanout, int x, int y, int width, int height,
          std::uint32_t pixel) {
    for (int row = y; row < y + height; ++row) {
        std::fill_n(scanout.begin() + row * kWidth + x, width, pixel);
    }
}

void Measure(ScreenCapture& capture, const char* only, const char* name, int runs,
             const std::function<void(int)>& change) {
    if (only != nullptr && std::strcmp(only, name) != 0) {
        return;
    }
    for (int run = 0; run < runs; ++run) {
        change(run);
        // Under callgrind --collect-atstart=no only the steps themselves are counted.
        CALLGRIND_TOGGLE_COLLECT;
        capture.Update();
        CALLGRIND_TOGGLE_COLLECT;
    }
    std::printf("  %s: %d steps\n", name, runs);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 100;
    const char* only = argc > 2 ? argv[2] : nullptr;
    std::vector<std::uint32_t> scanout(static_cast<std::size_t>(kWidth) * kHeight, 0x203040u);
    ce::user::DesktopScope desktop(std::make_unique<ScanoutDriver>(scanout));
    ScreenCapture capture;
    capture.Setup(0);
    capture.ResetPreviousFrame();
    capture.Update();

    Measure(capture, only, "no change", runs, [](int) {});
    Measure(capture, only, "one band", runs, [&](int run) {
        Fill(scanout, 10, kHeight / 2, 8, 2, (run & 1) != 0 ? 0xFFFFFFu : 0u);
    });
    Measure(capture, only, "full screen", runs, [&](int run) {
        Fill(scanout, 0, 0, kWidth, kHeight,
             0x010101u * static_cast<std::uint32_t>(run % 200 + 20));
    });
    capture.Teardown();
    return 0;
}
