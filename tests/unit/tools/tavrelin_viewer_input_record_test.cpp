// The input records the viewer sends, byte for byte, and the figures it reports about them.
#include <gtest/gtest.h>

#include <vector>

#include "tavrelin-viewer/wire.h"
#include "tavrelin-viewer/stats.h"

namespace brevanta::viewer {
namespace {

TEST(TavrelinViewerInputRecord, EncodesMarkerCodeAndPositionLittleEndian) {
    struct Case {
        EventCode code;
        std::uint16_t x, y;
        InputRecord bytes;
    } cases[] = {
        {EventCode::kMove,
         0x1234,
         0x0102,
         {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x02, 0, 0, 0x34, 0x12, 0x02, 0x01}},
        {EventCode::kLeftDown,
         120,
         319,
         {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0, 0, 120, 0, 0x3F, 0x01}},
        {EventCode::kLeftUp, 0, 0, {0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x02, 0, 0, 0, 0, 0, 0}},
        {EventCode::kRightDown,
         479,
         271,
         {0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x02, 0, 0, 0xDF, 0x01, 0x0F, 0x01}},
        {EventCode::kRightUp,
         65535,
         1,
         {0xFF, 0xFF, 0xFF, 0xFF, 0x05, 0x02, 0, 0, 0xFF, 0xFF, 0x01, 0}},
        {EventCode::kUpdateRequest, 0, 0, {0xFF, 0xFF, 0xFF, 0xFF, 0x13, 0x01, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeRecord(c.code, c.x, c.y), c.bytes) << static_cast<int>(c.code);
    }
}

TEST(TavrelinViewerStats, LatencyLineGivesMedianMinAndMax) {
    EXPECT_EQ(LatencyLine({30.0, 10.0, 20.0}, 0),
              "latency count=3 missed=0 median_ms=20.000 min_ms=10.000 max_ms=30.000");
    EXPECT_EQ(LatencyLine({4.0, 1.0, 2.0, 8.0}, 1),
              "latency count=5 missed=1 median_ms=3.000 min_ms=1.000 max_ms=8.000");
    EXPECT_EQ(LatencyLine({}, 2),
              "latency count=2 missed=2 median_ms=0.000 min_ms=0.000 max_ms=0.000");
}

TEST(TavrelinViewerStats, RateLinesCountEachSecondAndTheSummaryAll) {
    const Clock::time_point start{};
    Throughput throughput(start);
    throughput.AddFrame(100);
    throughput.AddFrame(50);
    EXPECT_EQ(throughput.TakeRateLine(start + std::chrono::milliseconds(999)), "");
    EXPECT_EQ(throughput.TakeRateLine(start + std::chrono::milliseconds(1001)),
              "rate frames=2 bytes=150");
    throughput.AddFrame(10);
    // A late call still reports once and keeps to the whole-second grid.
    EXPECT_EQ(throughput.TakeRateLine(start + std::chrono::milliseconds(3500)),
              "rate frames=1 bytes=10");
    EXPECT_EQ(throughput.NextRateLine(), start + std::chrono::seconds(4));
    EXPECT_EQ(throughput.Summary(start + std::chrono::seconds(4)),
              "stats frames=3 bytes=160 seconds=4.000 fps=0.75 bps=40");
}

}  // namespace
}  // namespace brevanta::viewer
