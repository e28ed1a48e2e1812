// Reading the screen: what ReadScreen writes equals the root window as the X server gives it,
// reduced to RGB565 by the test, at each visual format, with and without MIT-SHM.
#include "x11_test_fixture.h"

#include <string>
#include <vector>

#include <X11/Xutil.h>

namespace ce::drivers::x11::test {
namespace {

// The top 5, 6 and 5 bits of the pixel's channels under the visual's masks.
gdi::Pixel Reduce(unsigned long pixel, const Visual* visual) {
    auto top = [pixel](unsigned long mask, int bits) {
        const unsigned long channel = (pixel & mask) >> __builtin_ctzl(mask);
        return static_cast<unsigned>(channel >> (__builtin_popcountl(mask) - bits));
    };
    return static_cast<gdi::Pixel>((top(visual->red_mask, 5) << 11) |
                                   (top(visual->green_mask, 6) << 5) | top(visual->blue_mask, 5));
}

class X11CaptureTest : public X11DriverTest, public ::testing::WithParamInterface<ServerSetup> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(StartServer(GetParam().depth, GetParam().arguments));
    }

    // Counts the pixels of the surface (placed at `at`) that differ from the root's at `from`.
    int Differences(const gdi::Surface& surface, POINT at, POINT from, int width, int height) {
        const Visual* visual = DefaultVisual(m_probe, DefaultScreen(m_probe));
        XImage* root = XGetImage(m_probe, DefaultRootWindow(m_probe), from.x, from.y,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height),
                                 AllPlanes, ZPixmap);
        if (root == nullptr) {
            return -1;
        }
        int differences = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                differences +=
                    surface.At(at.x + x, at.y + y) != Reduce(XGetPixel(root, x, y), visual);
            }
        }
        XDestroyImage(root);
        return differences;
    }
};

TEST_P(X11CaptureTest, ReadsTheWholeScreenBottomUpAsTheServerShowsIt) {
    const RECT rect{30, 40, 267, 263};
    PatternSurface shown(237, 223, 7);
    m_driver->UpdateWindow(MakeWindow(0x20, rect, u"capture"), shown.surface);
    m_driver->Present(0x20, shown.surface->Bounds());
    ASSERT_TRUE(WaitUntilScreenShows(rect, *shown.surface));

    // Bottom-up with padded rows, as a DIB section of the screen lies.
    const SIZE screen = m_driver->ScreenSize();
    std::vector<gdi::Pixel> memory(static_cast<std::size_t>((screen.cx + 2) * screen.cy), 0xABCD);
    gdi::Surface section(memory.data(), screen.cx, screen.cy, screen.cx + 2, true);
    ASSERT_TRUE(Remote().ReadScreen(RECT{0, 0, screen.cx, screen.cy}, section, POINT{}));
    EXPECT_EQ(Differences(section, POINT{}, POINT{}, screen.cx, screen.cy), 0);
    EXPECT_EQ(memory[static_cast<std::size_t>(screen.cx)], 0xABCD) << "padding untouched";

    // A part of the screen into a smaller surface, clipped to it; the rest stays as it was.
    gdi::Surface part(40, 30);
    part.Fill(part.Bounds(), 0x1234);
    ASSERT_TRUE(Remote().ReadScreen(RECT{250, 20, 300, 60}, part, POINT{10, 5}));
    EXPECT_EQ(Differences(part, POINT{10, 5}, POINT{250, 20}, 22, 25), 0);
    EXPECT_EQ(part.At(9, 5), 0x1234);
    EXPECT_EQ(part.At(32, 5), 0x1234) << "beyond the screen's right edge";
}

TEST_P(X11CaptureTest, FollowsAScreenSizeChange) {
    m_driver->Start(m_sink);
    ASSERT_NO_FATAL_FAILURE(ResizeScreen(240, 320));
    gdi::Surface screen(240, 320);
    ASSERT_TRUE(Remote().ReadScreen(RECT{0, 0, 240, 320}, screen, POINT{}));
    EXPECT_EQ(Differences(screen, POINT{}, POINT{}, 240, 320), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Visuals, X11CaptureTest,
    ::testing::Values(ServerSetup{"Depth16", 16, {}}, ServerSetup{"Depth24", 24, {}},
                      ServerSetup{"Depth24WithoutShm", 24, {"-extension", "MIT-SHM"}}),
    [](const ::testing::TestParamInfo<ServerSetup>& setup) {
        return std::string(setup.param.name);
    });

}  // namespace
}  // namespace ce::drivers::x11::test
