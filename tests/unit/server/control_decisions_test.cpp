// The control window's decisions and the screen mode byte, without a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/control_layout.h"
#include "app/status_appearance.h"
#include "capture/screen_mode.h"
#include "net/frame_header.h"

namespace {

std::u16string Text(LPCWSTR text) {
    return text;
}

struct LayoutCase {
    RECT client;
    int x0;
    int y0;
};

TEST(ControlLayout, CentresTheButtonColumnRoundingTowardZero) {
    const LayoutCase cases[] = {
        {{0, 0, 240, 150}, 70, 38}, {{0, 0, 101, 75}, 0, 0},
        {{0, 0, 99, 73}, 0, 0},    // -1/2 and -1/2 round toward zero
        {{0, 0, 97, 70}, -1, -2},  // -3/2, -4/2
        {{0, 0, 0, 0}, -50, -37},
    };
    for (const LayoutCase& c : cases) {
        const ControlLayout layout = LayoutControls(c.client);
        SCOPED_TRACE(testing::Message() << c.client.right << "x" << c.client.bottom);
        EXPECT_EQ(layout.start.x, c.x0);
        EXPECT_EQ(layout.start.y, c.y0);
        EXPECT_EQ(layout.stop.x, c.x0);
        EXPECT_EQ(layout.stop.y, c.y0 + 28);
        EXPECT_EQ(layout.exit.y, c.y0 + 56);
        EXPECT_EQ(layout.exit.width, 100);
        EXPECT_EQ(layout.exit.height, 18);
    }
}

TEST(ControlLayout, LinesSitAlongTheEdges) {
    const ControlLayout layout = LayoutControls({0, 0, 234, 150});
    EXPECT_EQ(layout.addressLine.x, 5);
    EXPECT_EQ(layout.addressLine.y, 5);
    EXPECT_EQ(layout.addressLine.width, 224);
    EXPECT_EQ(layout.addressLine.height, 18);
    EXPECT_EQ(layout.statusLine.x, 234 - 155);
    EXPECT_EQ(layout.statusLine.y, 150 - 23);
    EXPECT_EQ(layout.statusLine.width, 150);
    EXPECT_EQ(layout.statusLine.height, 18);
}

TEST(AddressLine, NamesAddressAndVersionOrAPlaceholder) {
    WCHAR line[kAddressLineCapacity];
    ComposeAddressLine(line, TEXT("192.168.100.200"), TEXT("2.0.2.0"));
    EXPECT_EQ(Text(line), u"IP: 192.168.100.200 Version: 2.0.2.0");
    ComposeAddressLine(line, nullptr, TEXT("2.0.2.0"));
    EXPECT_EQ(Text(line), u"IP: x.x.x.x Version: 2.0.2.0");
}

TEST(AddressLine, ALongVersionIsCutToTheBuffer) {
    const std::u16string longVersion(300, u'9');
    WCHAR line[kAddressLineCapacity + 4];
    std::fill(std::begin(line), std::end(line), u'#');
    auto& bounded = *reinterpret_cast<WCHAR(*)[kAddressLineCapacity]>(line);
    ComposeAddressLine(bounded, TEXT("10.0.0.1"), longVersion.c_str());
    const std::u16string text = line;
    EXPECT_EQ(text.size(), static_cast<std::size_t>(kAddressLineCapacity - 1));
    EXPECT_EQ(text.substr(0, 22), u"IP: 10.0.0.1 Version: ");
    EXPECT_EQ(line[kAddressLineCapacity], u'#') << "nothing written past the buffer";
}

TEST(StatusAppearance, GreenViewerOrRedWaiting) {
    const StatusAppearance connected = ChooseStatus(1, TEXT("Client: 127.0.0.1"));
    EXPECT_EQ(connected.colour, 0x0000FF00u);
    EXPECT_EQ(Text(connected.text), u"Client: 127.0.0.1");
    const StatusAppearance waiting = ChooseStatus(0, TEXT("Client: 127.0.0.1"));
    EXPECT_EQ(waiting.colour, 0x000000FFu);
    EXPECT_EQ(Text(waiting.text), u"Waiting...");
}

TEST(ScreenMode, OrientationCodes) {
    EXPECT_EQ(OrientationCodeOf(DMDO_0), 4);
    EXPECT_EQ(OrientationCodeOf(DMDO_90), 0);
    EXPECT_EQ(OrientationCodeOf(DMDO_180), 1);
    EXPECT_EQ(OrientationCodeOf(DMDO_270), 2);
    EXPECT_EQ(OrientationCodeOf(3), 2);
}

TEST(ScreenMode, EverySizeAndOrientation) {
    struct Size {
        int width;
        int height;
        int flag;
    };
    const Size sizes[] = {{240, 320, 0x00}, {320, 240, 0x10}, {272, 480, 0x20}, {480, 272, 0x40}};
    const DWORD orientations[] = {DMDO_0, DMDO_90, DMDO_180, DMDO_270};
    const int codes[] = {4, 0, 1, 2};
    for (const Size& size : sizes) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(
                ScreenModeByte(size.width, size.height, OrientationCodeOf(orientations[i]), 0x30),
                size.flag + codes[i])
                << size.width << "x" << size.height << " orientation " << orientations[i];
        }
    }
}

TEST(ScreenMode, OtherSizesKeepThePreviousValue) {
    EXPECT_EQ(ScreenModeByte(640, 480, 4, 0x30), 0x30);
    EXPECT_EQ(ScreenModeByte(320, 320, 0, 0x14), 0x14);
    EXPECT_EQ(ScreenModeByte(272, 481, 1, 0x24), 0x24);
}

TEST(FrameHeader, ModeByteOverTheLengthPadding) {
    const auto header = FrameHeader(1234, 0x10);
    const std::vector<unsigned char> bytes(header.begin(), header.end());
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x10, 0x20, 0x20, 0x20, 0x20, 0x20, 0x31, 0x32,
                                                 0x34, 0x34}));
    const auto empty = FrameHeader(0, 0x44);
    EXPECT_EQ(std::string(empty.begin(), empty.end()), "\x44       10");
    const auto largest = FrameHeader(261160, 0x22);
    EXPECT_EQ(std::string(largest.begin(), largest.end()), "\x22   261170");
}

}  // namespace
