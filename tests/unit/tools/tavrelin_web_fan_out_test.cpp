// The gateway's fan-out: every watcher is owed the bands that changed since it last took, a
// watcher that joins is owed the whole picture, a slow one gets the newest bytes once instead of
// a queue, and the message carries the picture's bytes as Tavrelin sent them.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "common/tavrelin/frame_decoder.h"
#include "tavrelin-web/fan_out.h"

namespace brevanta::web {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tavrelin::FrameDecoder;
using tavrelin::ScreenSize;

constexpr ScreenSize kSize{240, 320};  // mode 0x04
constexpr std::size_t kBandSize = 240 * 320 * 2 / 40;

std::uint64_t Bit(int band) {
    return std::uint64_t{1} << band;
}

// A frame as Tavrelin writes it: "%10d" of the total length with the mode byte over its first
// character, then each band's index and bytes.
Bytes TavrelinFrame(const std::vector<std::pair<int, std::uint8_t>>& bands) {
    Bytes payload;
    for (const auto& [index, fill] : bands) {
        payload.push_back(static_cast<std::uint8_t>(index));
        payload.insert(payload.end(), kBandSize, fill);
    }
    char header[16];
    std::snprintf(header, sizeof header, "%10zu", payload.size() + 10);
    Bytes frame(header, header + 10);
    frame[0] = 0x04;
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

class FanOutTest : public ::testing::Test {
protected:
    // Feeds one frame to the decoder and tells the fan-out what it changed.
    void Arrive(const std::vector<std::pair<int, std::uint8_t>>& bands) {
        std::vector<tavrelin::DecodedFrame> frames;
        ASSERT_TRUE(m_decoder.Feed(TavrelinFrame(bands), &frames));
        ASSERT_EQ(frames.size(), 1u);
        m_fanOut.BandsChanged(frames[0].sizeChanged ? kAllBands : frames[0].bandMask);
    }

    // The bands of a message with the fill byte each carries; checks the header on the way.
    std::vector<std::pair<int, std::uint8_t>> Bands(const Bytes& message) {
        std::vector<std::pair<int, std::uint8_t>> bands;
        EXPECT_GE(message.size(), 6u);
        EXPECT_EQ(message[0], 1);
        EXPECT_EQ(message[1], 0x04);
        EXPECT_EQ(message[2] | message[3] << 8, 240);
        EXPECT_EQ(message[4] | message[5] << 8, 320);
        EXPECT_EQ((message.size() - 6) % (kBandSize + 1), 0u);
        for (std::size_t at = 6; at + kBandSize < message.size(); at += kBandSize + 1) {
            const Bytes band(message.begin() + static_cast<long>(at) + 1,
                             message.begin() + static_cast<long>(at + 1 + kBandSize));
            EXPECT_EQ(band, Bytes(kBandSize, band[0])) << "band " << int(message[at]);
            bands.emplace_back(message[at], band[0]);
        }
        return bands;
    }

    Bytes Take(WatcherId id) {
        return BuildFrameMessage(m_decoder.GetPicture(), 0x04, m_fanOut.Take(id));
    }

    FrameDecoder m_decoder;
    FanOut m_fanOut;
};

TEST_F(FanOutTest, EveryWatcherIsOwedWhatChangedSinceItLastTook) {
    const WatcherId a = m_fanOut.Join(Pace::kFull);
    const WatcherId b = m_fanOut.Join(Pace::kFull);
    Arrive({{3, 0x11}});
    EXPECT_EQ(m_fanOut.Owed(a), kAllBands) << "joined before any picture: owed all of it";
    m_fanOut.Take(a);
    m_fanOut.Take(b);
    Arrive({{5, 0x22}, {7, 0x33}});
    EXPECT_EQ(m_fanOut.Owed(a), Bit(5) | Bit(7));
    EXPECT_EQ(Bands(Take(a)), (std::vector<std::pair<int, std::uint8_t>>{{5, 0x22}, {7, 0x33}}));
    EXPECT_EQ(m_fanOut.Owed(a), 0u);
    EXPECT_EQ(m_fanOut.Owed(b), Bit(5) | Bit(7)) << "one watcher taking leaves the other's due";
}

TEST_F(FanOutTest, ASlowWatcherGetsTheNewestBytesOnceNotAQueue) {
    const WatcherId fast = m_fanOut.Join(Pace::kFull);
    const WatcherId slow = m_fanOut.Join(Pace::kFull);
    Arrive({{0, 0x01}});
    m_fanOut.Take(fast);
    m_fanOut.Take(slow);
    for (std::uint8_t round = 1; round <= 50; ++round) {
        Arrive({{9, round}, {static_cast<int>(10 + round % 3), round}});
        EXPECT_EQ(Bands(Take(fast)).size(), 2u);
    }
    // Fifty frames later the slow one takes one message: band 9 as it is now, and bands 10 to 12
    // each as last sent.
    const auto bands = Bands(Take(slow));
    EXPECT_EQ(bands,
              (std::vector<std::pair<int, std::uint8_t>>{{9, 50}, {10, 48}, {11, 49}, {12, 50}}));
    EXPECT_EQ(m_fanOut.Owed(slow), 0u);
}

TEST_F(FanOutTest, AWatcherThatJoinsLateGetsTheWholePictureAtOnce) {
    const WatcherId first = m_fanOut.Join(Pace::kFull);
    Arrive({{1, 0x10}, {39, 0x20}});
    m_fanOut.Take(first);
    Arrive({{2, 0x30}});
    const WatcherId late = m_fanOut.Join(Pace::kThumbnail);
    const auto bands = Bands(Take(late));
    ASSERT_EQ(bands.size(), 40u);
    for (const auto& [index, fill] : bands) {
        const std::uint8_t expected = index == 1    ? 0x10
                                      : index == 39 ? 0x20
                                      : index == 2  ? 0x30
                                                    : 0xFF;
        EXPECT_EQ(fill, expected) << "band " << index;
    }
    EXPECT_EQ(m_fanOut.Count(Pace::kFull), 1u);
    EXPECT_EQ(m_fanOut.Count(Pace::kThumbnail), 1u);
}

TEST_F(FanOutTest, AWatcherThatLeavesMidFrameLeavesTheOthersAlone) {
    const WatcherId stays = m_fanOut.Join(Pace::kFull);
    const WatcherId leaves = m_fanOut.Join(Pace::kFull);
    Arrive({{4, 0x44}});
    // The one that leaves has a message under way: it was built from the picture then and does
    // not change when the picture does.
    const Bytes underWay = Take(leaves);
    m_fanOut.Leave(leaves);
    Arrive({{4, 0x55}});
    EXPECT_EQ(Bands(underWay).size(), 40u);
    EXPECT_EQ(Bands(underWay)[4].second, 0x44);
    EXPECT_EQ(m_fanOut.Owed(leaves), 0u);
    EXPECT_EQ(m_fanOut.Take(leaves), 0u);
    EXPECT_EQ(m_fanOut.Count(), 1u);
    EXPECT_EQ(Bands(Take(stays))[4].second, 0x55);
}

TEST_F(FanOutTest, NothingIsBuiltWithoutAPictureOrAnOwedBand) {
    EXPECT_TRUE(BuildFrameMessage(tavrelin::Picture(), 0x04, kAllBands).empty());
    Arrive({{0, 0x01}});
    EXPECT_TRUE(BuildFrameMessage(m_decoder.GetPicture(), 0x04, 0).empty());
    EXPECT_EQ(Bands(BuildFrameMessage(m_decoder.GetPicture(), 0x04, ~std::uint64_t{0})).size(), 40u)
        << "bits beyond band 39 are not bands";
}

}  // namespace
}  // namespace brevanta::web
