// The gateway's link to one device, driven by the test one step of its I/O loop at a time
// against a display server the test plays, so that what goes out in one write can be told apart
// from what waits for the loop.
#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <cstdio>
#include <string>

#include "loopback_listener.h"
#include "tavrelin-web/device_link.h"
#include "wait_until.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kTimeout = 10s;

class CountingWatcher final : public web::DeviceWatcher {
public:
    void PictureChanged() override { ++pictures; }
    void StatusChanged() override {}
    int pictures = 0;
};

std::string Record(unsigned code, unsigned x, unsigned y) {
    std::string record = "\xFF\xFF\xFF\xFF";
    for (unsigned value : {code, code >> 8, code >> 16, code >> 24, x, x >> 8, y, y >> 8}) {
        record.push_back(static_cast<char>(value & 0xFF));
    }
    return record;
}

TEST(TavrelinWebDeviceLinkTest, APressGoesToTheDeviceWithItsMoveInOneWrite) {
    LoopbackListener device;
    boost::asio::io_context io;
    web::LinkSettings settings;
    settings.poll = 1h;  // no steady requests in between: only what the press sends
    web::DeviceLink link(io, {"dev", "127.0.0.1", device.Port()}, settings);
    CountingWatcher watcher;
    const web::WatcherId id = link.Watch(&watcher, web::Pace::kFull);

    ASSERT_TRUE(WaitUntil(
        [&] {
            io.run_for(5ms);
            return device.Accept(1ms);
        },
        kTimeout));
    // One band of a 240x320 screen (mode 0x04), every byte 1.
    char header[16];
    std::snprintf(header, sizeof header, "%10d", 1 + 3840 + 10);
    header[0] = 0x04;
    ASSERT_TRUE(device.Send(std::string(header, 10) + '\0' + std::string(3840, '\x01')));
    ASSERT_TRUE(WaitUntil(
        [&] {
            io.run_for(5ms);
            return watcher.pictures > 0;
        },
        kTimeout));
    io.poll();
    while (device.HasPendingBytes()) {
        ASSERT_TRUE(device.Read(12, kTimeout));
    }

    // A left press at (30, 40), and the loop is not run again: whatever waits for it stays out.
    const std::uint8_t press[] = {1, 30, 0, 40, 0};
    ASSERT_TRUE(link.Pointer(id, press));
    EXPECT_EQ(device.Read(36, 1s), Record(512, 30, 40) + Record(513, 30, 40) + Record(275, 0, 0));
    link.Shut();
}

}  // namespace
}  // namespace brevanta::test
