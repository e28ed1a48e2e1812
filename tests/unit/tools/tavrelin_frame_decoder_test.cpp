// The viewer's frame decoder: header parsing, the size each mode byte names, bands placed into
// the picture however the bytes are split, and every malformed frame refused without harm.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/tavrelin/frame_decoder.h"

namespace brevanta::tavrelin {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Band {
    int index;
    std::uint8_t fill;
};

Bytes RawFrame(std::uint8_t mode, const Bytes& payload, long long length = -1) {
    char header[24];  // room for any long long
    std::snprintf(header, sizeof header, "%10lld",
                  length >= 0 ? length : static_cast<long long>(payload.size() + 10));
    Bytes frame(header, header + 10);
    frame[0] = mode;
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

// A frame built the way the server describes it: "%10d" of the total length, its first
// character replaced by the mode byte.
Bytes Frame(std::uint8_t mode, ScreenSize size, const std::vector<Band>& bands) {
    const std::size_t bandSize = static_cast<std::size_t>(size.width) * size.height * 2 / 40;
    Bytes payload;
    for (const Band& band : bands) {
        payload.push_back(static_cast<std::uint8_t>(band.index));
        for (std::size_t i = 0; i < bandSize; ++i) {
            payload.push_back(static_cast<std::uint8_t>(band.fill + i % 7));
        }
    }
    return RawFrame(mode, payload);
}

// What the picture bytes must be after the bands were applied to an all-0xFF picture.
Bytes Expected(ScreenSize size, const std::vector<Band>& bands) {
    const std::size_t bandSize = static_cast<std::size_t>(size.width) * size.height * 2 / 40;
    const std::size_t stride = (static_cast<std::size_t>(size.width) * 2 + 3) / 4 * 4;
    Bytes pixels(stride * size.height, 0xFF);
    for (const Band& band : bands) {
        for (std::size_t i = 0; i < bandSize; ++i) {
            pixels[band.index * bandSize + i] = static_cast<std::uint8_t>(band.fill + i % 7);
        }
    }
    return pixels;
}

Bytes PictureBytes(const FrameDecoder& decoder) {
    auto bytes = decoder.GetPicture().Bytes();
    return Bytes(bytes.begin(), bytes.end());
}

// Feeds the bytes in pieces that end at the given cut offsets.
std::vector<DecodedFrame> FeedCut(FrameDecoder& decoder, const Bytes& bytes,
                                  std::vector<std::size_t> cuts) {
    std::vector<DecodedFrame> frames;
    cuts.push_back(bytes.size());
    std::size_t start = 0;
    for (std::size_t cut : cuts) {
        EXPECT_TRUE(decoder.Feed(std::span(bytes).subspan(start, cut - start), &frames))
            << decoder.Error();
        start = cut;
    }
    return frames;
}

TEST(TavrelinViewerFrameHeader, ReadsModeAndSpacePaddedLength) {
    // A payload of 1234 bytes with mode 0x10.
    const Bytes example = {0x10, 0x20, 0x20, 0x20, 0x20, 0x20, 0x31, 0x32, 0x34, 0x34};
    std::string error;
    auto parsed = ParseFrameHeader(std::span<const std::uint8_t, 10>(example.data(), 10), &error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->mode, 0x10);
    EXPECT_EQ(parsed->totalLength, 1244u);

    struct Case {
        std::string text;  // the 9 characters after the mode byte
        long long length;  // -1: refused
    } cases[] = {
        {"     1244", 1244}, {"       10", 10}, {"        0", 0},  {"999999999", 999999999},
        {"000001244", 1244}, {"         ", -1}, {"    12 44", -1}, {"1244     ", -1},
        {"    +1244", -1},   {"    -1244", -1}, {"     12a4", -1}, {"\t    1244", -1},
    };
    for (const Case& c : cases) {
        Bytes header = {0x24};
        header.insert(header.end(), c.text.begin(), c.text.end());
        std::string reason;
        auto got = ParseFrameHeader(std::span<const std::uint8_t, 10>(header.data(), 10), &reason);
        if (c.length < 0) {
            EXPECT_FALSE(got) << c.text;
            EXPECT_FALSE(reason.empty());
        } else {
            ASSERT_TRUE(got) << c.text << ": " << reason;
            EXPECT_EQ(got->mode, 0x24);
            EXPECT_EQ(got->totalLength, c.length);
        }
    }
}

TEST(TavrelinViewerFrameHeader, ModeByteNamesTheSize) {
    const ScreenSize portrait{240, 320}, landscape{320, 240}, tall{272, 480}, wide{480, 272};
    struct Case {
        std::uint8_t mode;
        std::optional<ScreenSize> size;
    } cases[] = {
        {0x04, portrait},     {0x00, portrait},     {0x01, portrait},     {0x02, portrait},
        {0x14, landscape},    {0x10, landscape},    {0x24, tall},         {0x21, tall},
        {0x44, wide},         {0x42, wide},         {0x30, std::nullopt}, {0x34, std::nullopt},
        {0x50, std::nullopt}, {0x80, std::nullopt}, {0xFF, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SizeForMode(c.mode), c.size) << int(c.mode);
    }
    EXPECT_EQ(BandSize(portrait), 3840u);
    EXPECT_EQ(BandSize(landscape), 3840u);
    EXPECT_EQ(BandSize(tall), 6528u);
    EXPECT_EQ(BandSize(wide), 6528u);
    EXPECT_EQ(BandSize({640, 480}), 15360u);
    EXPECT_EQ(BandSize({3, 7}), 1u);
}

TEST(TavrelinViewerFrameDecoder, PlacesBandsAtIndexTimesBandSizeHoweverSplit) {
    // 480x272: bands of 6528 bytes begin and end inside rows.
    const ScreenSize wide{480, 272};
    const std::vector<Band> first = {{0, 1}, {17, 50}, {39, 200}};
    const std::vector<Band> second = {{1, 90}, {17, 60}};
    Bytes stream = Frame(0x44, wide, first);
    const std::size_t boundary = stream.size();
    const Bytes next = Frame(0x41, wide, second);
    stream.insert(stream.end(), next.begin(), next.end());

    std::mt19937 random(7);
    std::vector<std::vector<std::size_t>> splits = {
        {}, {1}, {9}, {10}, {11}, {boundary - 1}, {boundary}, {boundary + 5}, {3, boundary + 9}};
    std::vector<std::size_t> everyFewBytes;
    for (std::size_t at = 1; at < stream.size(); at += 1 + random() % 997) {
        everyFewBytes.push_back(at);
    }
    splits.push_back(everyFewBytes);

    for (const auto& cuts : splits) {
        FrameDecoder decoder;
        std::vector<DecodedFrame> frames = FeedCut(decoder, stream, cuts);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0].mode, 0x44);
        EXPECT_EQ(frames[0].totalLength, boundary);
        EXPECT_EQ(frames[0].bandCount, 3);
        EXPECT_TRUE(frames[0].sizeChanged);
        EXPECT_EQ(frames[1].mode, 0x41);
        EXPECT_EQ(frames[1].bandCount, 2);
        EXPECT_FALSE(frames[1].sizeChanged);
        std::vector<Band> both = first;
        both.insert(both.end(), second.begin(), second.end());
        EXPECT_EQ(PictureBytes(decoder), Expected(wide, both));
    }
}

TEST(TavrelinViewerFrameDecoder, WaitsForTheRestOfAPartialFrame) {
    const Bytes frame = Frame(0x24, {272, 480}, {{5, 9}});
    FrameDecoder decoder;
    std::vector<DecodedFrame> frames;
    for (std::size_t cut : {std::size_t{4}, std::size_t{10}, std::size_t{11}, frame.size() - 1}) {
        FrameDecoder partial;
        EXPECT_TRUE(partial.Feed(std::span(frame).first(cut), &frames));
        EXPECT_TRUE(frames.empty()) << cut;
        EXPECT_TRUE(partial.GetPicture().Empty());
    }
    // A frame without bands is well formed too.
    EXPECT_TRUE(decoder.Feed(RawFrame(0x24, {}), &frames));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bandCount, 0);
    EXPECT_EQ(PictureBytes(decoder), Expected({272, 480}, {}));
}

TEST(TavrelinViewerFrameDecoder, RefusesMalformedFramesAndKeepsThePicture) {
    const ScreenSize tall{272, 480};
    const std::size_t record = 6529;
    Bytes twoBands = Frame(0x24, tall, {{3, 1}, {4, 2}});
    Bytes badIndex = Frame(0x24, tall, {{3, 1}, {4, 2}});
    badIndex[10 + record] = 40;
    Bytes outOfOrder = Frame(0x24, tall, {{3, 1}, {4, 2}});
    outOfOrder[10 + record] = 3;
    Bytes header = RawFrame(0x24, {});
    header[5] = 'x';
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"length below 10", RawFrame(0x24, {}, 9)},
        {"length 0", RawFrame(0x24, {}, 0)},
        {"one byte over 40 records", RawFrame(0x24, {}, 10 + 40 * record + 1)},
        {"41 records", RawFrame(0x24, {}, 10 + 41 * record)},
        {"absurd length", RawFrame(0x24, {}, 999999999)},
        {"partial record", RawFrame(0x24, Bytes(record + 100, 0))},
        {"short of a record", RawFrame(0x24, Bytes(record - 1, 0))},
        {"band index 40", badIndex},
        {"band index 255", RawFrame(0x24,
                                    [&] {
                                        Bytes payload(record, 0);
                                        payload[0] = 255;
                                        return payload;
                                    }())},
        {"bands out of order", outOfOrder},
        {"letter in length", header},
    };
    for (const Case& c : cases) {
        FrameDecoder decoder;
        std::vector<DecodedFrame> frames;
        ASSERT_TRUE(decoder.Feed(Frame(0x24, tall, {{0, 77}}), &frames));
        const Bytes before = PictureBytes(decoder);
        EXPECT_FALSE(decoder.Feed(c.bytes, &frames)) << c.name;
        EXPECT_TRUE(decoder.Failed()) << c.name;
        EXPECT_FALSE(decoder.Error().empty());
        EXPECT_EQ(frames.size(), 1u) << c.name;
        EXPECT_EQ(PictureBytes(decoder), before) << c.name;
        // Once failed, good input is ignored: the stream has lost its framing.
        EXPECT_FALSE(decoder.Feed(twoBands, &frames)) << c.name;
        EXPECT_EQ(frames.size(), 1u) << c.name;
    }
}

TEST(TavrelinViewerFrameDecoder, ModeWithoutSizeUsesTheGivenThenTheLastKnownSize) {
    const ScreenSize portrait{240, 320};
    std::vector<DecodedFrame> frames;

    FrameDecoder unknown;
    EXPECT_FALSE(unknown.Feed(Frame(0x30, portrait, {{1, 1}}), &frames));
    EXPECT_NE(unknown.Error().find("0x30"), std::string::npos) << unknown.Error();

    FrameDecoder given(ScreenSize{320, 240});
    EXPECT_EQ(given.GetPicture().Size(), (ScreenSize{320, 240}));
    ASSERT_TRUE(given.Feed(Frame(0x30, {320, 240}, {{39, 4}}), &frames)) << given.Error();
    EXPECT_EQ(PictureBytes(given), Expected({320, 240}, {{39, 4}}));
    EXPECT_FALSE(frames.back().sizeChanged);

    FrameDecoder last;
    ASSERT_TRUE(last.Feed(Frame(0x04, portrait, {{2, 3}}), &frames));
    ASSERT_TRUE(last.Feed(Frame(0x30, portrait, {{5, 6}}), &frames)) << last.Error();
    EXPECT_EQ(frames.back().size, portrait);
    EXPECT_EQ(PictureBytes(last), Expected(portrait, {{2, 3}, {5, 6}}));
}

TEST(TavrelinViewerFrameDecoder, SizeChangeResetsThePicture) {
    // 240x320 and 320x240 have the same band size: only the mode byte tells them apart.
    FrameDecoder decoder;
    std::vector<DecodedFrame> frames;
    ASSERT_TRUE(decoder.Feed(Frame(0x04, {240, 320}, {{0, 10}, {1, 20}}), &frames));
    ASSERT_TRUE(decoder.Feed(Frame(0x14, {320, 240}, {{1, 30}}), &frames));
    EXPECT_TRUE(frames.back().sizeChanged);
    EXPECT_EQ(decoder.GetPicture().Size(), (ScreenSize{320, 240}));
    EXPECT_EQ(PictureBytes(decoder), Expected({320, 240}, {{1, 30}}));

    // Records of the old size do not fit the new one's.
    ASSERT_TRUE(decoder.Feed(Frame(0x20, {272, 480}, {{39, 1}}), &frames));
    EXPECT_EQ(PictureBytes(decoder), Expected({272, 480}, {{39, 1}}));
    EXPECT_FALSE(decoder.Feed(Frame(0x24, {240, 320}, {{0, 1}}), &frames));
}

}  // namespace
}  // namespace brevanta::tavrelin
