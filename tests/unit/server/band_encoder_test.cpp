// Band sizes, change detection and the update payload on plain buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "capture/band_encoder.h"

namespace {

using Bytes = std::vector<BYTE>;

// A captured frame, the copy last sent (reset to 0xFF, as after a viewer left) and the buffer
// the payload goes into.
struct Capture {
    Capture(int width, int height)
        : frameSize(FrameSize(width, height)),
          bandSize(BandSize(frameSize)),
          pixels(static_cast<std::size_t>(frameSize), 0xFF),
          previous(static_cast<std::size_t>(frameSize), 0xFF),
          update(static_cast<std::size_t>(UpdateBufferSize(frameSize)), 0) {}

    int Encode() {
        return EncodeChangedBands(pixels.data(), previous.data(), bandSize, update.data());
    }

    int frameSize;
    int bandSize;
    Bytes pixels;
    Bytes previous;
    Bytes update;
};

TEST(BandEncoder, FrameAndBandSizes) {
    struct Case {
        int width;
        int height;
        int frame;
        int band;
    };
    const Case cases[] = {{240, 320, 153600, 3840},  {320, 240, 153600, 3840},
                          {272, 480, 261120, 6528},  {480, 272, 261120, 6528},
                          {640, 480, 614400, 15360}, {101, 3, 606, 15}};
    for (const Case& c : cases) {
        EXPECT_EQ(FrameSize(c.width, c.height), c.frame) << c.width << "x" << c.height;
        EXPECT_EQ(BandSize(c.frame), c.band) << c.width << "x" << c.height;
        EXPECT_EQ(UpdateBufferSize(c.frame), c.frame + 40);
    }
}

TEST(BandEncoder, OnePixelInTheBottomRowSendsBandZero) {
    Capture capture(240, 320);
    capture.pixels[2 * 17] = 0x1F;  // the 18th pixel of the first row in memory: the bottom row
    ASSERT_EQ(capture.Encode(), 3841);
    EXPECT_EQ(capture.update[0], 0);
    EXPECT_EQ(std::memcmp(capture.update.data() + 1, capture.pixels.data(), 3840), 0);
    EXPECT_EQ(capture.previous, capture.pixels) << "the sent band is remembered";
    EXPECT_EQ(capture.Encode(), 0) << "nothing changed since";
}

TEST(BandEncoder, WhiteBandsAfterAResetAreNotSent) {
    Capture capture(320, 240);
    // Band 5 of every band is black; the rest stays white like the reset copy.
    std::memset(capture.pixels.data() + 5 * capture.bandSize, 0,
                static_cast<std::size_t>(capture.bandSize));
    ASSERT_EQ(capture.Encode(), capture.bandSize + 1);
    EXPECT_EQ(capture.update[0], 5);
}

TEST(BandEncoder, ChangedBandsInAscendingOrderEachBehindItsIndex) {
    Capture capture(480, 272);
    ASSERT_EQ(capture.bandSize, 6528);  // 6 rows and 384 pixels: edges inside rows
    const int rowBytes = 480 * 2;
    // The last pixel of band 0 lies inside row 6; the first of band 1 right behind it.
    const int lastOfBandZero = capture.bandSize - 2;
    ASSERT_EQ(lastOfBandZero / rowBytes, 6);
    capture.pixels[static_cast<std::size_t>(lastOfBandZero)] = 0;
    capture.pixels[static_cast<std::size_t>(capture.bandSize)] = 0;
    capture.pixels[static_cast<std::size_t>(39 * capture.bandSize + 7)] = 0;
    ASSERT_EQ(capture.Encode(), 3 * (capture.bandSize + 1));
    const std::size_t record = static_cast<std::size_t>(capture.bandSize) + 1;
    EXPECT_EQ(capture.update[0], 0);
    EXPECT_EQ(capture.update[record], 1);
    EXPECT_EQ(capture.update[2 * record], 39);
    EXPECT_EQ(capture.update[2 * record + 1 + 7], 0);
    EXPECT_EQ(capture.update[record - 2], 0) << "band 0's bytes end with the changed pixel byte";
}

TEST(BandEncoder, BytesBeyondTheFortiethBandAreNeverCompared) {
    Capture capture(101, 3);  // 606 bytes: 40 bands of 15, 6 bytes over
    capture.pixels[600] = 0;
    capture.pixels[605] = 0;
    EXPECT_EQ(capture.Encode(), 0);
    EXPECT_EQ(capture.previous[600], 0xFF);
}

TEST(BandEncoder, EveryBandChangedFillsTheBuffer) {
    Capture capture(240, 320);
    std::fill(capture.pixels.begin(), capture.pixels.end(), 0x42);
    ASSERT_EQ(capture.Encode(), 40 * 3841);
    for (int band = 0; band < 40; ++band) {
        EXPECT_EQ(capture.update[static_cast<std::size_t>(band) * 3841], band);
    }
}

}  // namespace
