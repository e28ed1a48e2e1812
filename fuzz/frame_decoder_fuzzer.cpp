// Feeds frames to the viewer's decoder in chunks whose sizes come from the input, and compares
// what it decoded with a plain single pass over the whole stream: the same frames, the same
// picture, and a rejected frame changes nothing of what the good frames before it left.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "common/tavrelin/frame_decoder.h"

namespace {

using brevanta::tavrelin::DecodedFrame;
using brevanta::tavrelin::FrameDecoder;
using brevanta::tavrelin::ScreenSize;

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kBands = 40;

struct ReferenceResult {
    std::vector<DecodedFrame> frames;
    std::optional<ScreenSize> pictureSize;
    std::vector<std::uint8_t> picture;
    bool failed = false;
};

std::optional<ScreenSize> ModeSize(std::uint8_t mode) {
    switch (mode >> 4) {
        case 0:
            return ScreenSize{240, 320};
        case 1:
            return ScreenSize{320, 240};
        case 2:
            return ScreenSize{272, 480};
        case 4:
            return ScreenSize{480, 272};
        default:
            return std::nullopt;
    }
}

// The length field: spaces, then only digits, at least one.
std::optional<std::uint32_t> HeaderLength(const std::uint8_t* header) {
    std::size_t i = 1;
    while (i < kHeaderSize && header[i] == ' ') {
        ++i;
    }
    if (i == kHeaderSize) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    for (; i < kHeaderSize; ++i) {
        if (header[i] < '0' || header[i] > '9') {
            return std::nullopt;
        }
        length = length * 10 + (header[i] - '0');
    }
    return length;
}

ReferenceResult DecodeWhole(std::span<const std::uint8_t> stream,
                            std::optional<ScreenSize> fallback) {
    ReferenceResult result;
    if (fallback) {
        result.pictureSize = fallback;
        result.picture.assign(((std::size_t(fallback->width) * 2 + 3) & ~std::size_t{3}) *
                                  std::size_t(fallback->height),
                              0xFF);
    }
    std::size_t position = 0;
    while (stream.size() - position >= kHeaderSize) {
        const std::uint8_t* header = stream.data() + position;
        const std::optional<std::uint32_t> length = HeaderLength(header);
        std::optional<ScreenSize> size = ModeSize(header[0]);
        if (!size) {
            size = fallback ? fallback : result.pictureSize;
        }
        if (!length || *length < kHeaderSize || !size) {
            result.failed = true;
            return result;
        }
        const std::size_t bandSize =
            std::size_t(size->width) * std::size_t(size->height) * 2 / kBands;
        const std::size_t payload = *length - kHeaderSize;
        if (payload > kBands * (bandSize + 1) || payload % (bandSize + 1) != 0) {
            result.failed = true;
            return result;
        }
        if (stream.size() - position - kHeaderSize < payload) {
            return result;
        }
        const std::uint8_t* records = header + kHeaderSize;
        int previous = -1;
        for (std::size_t offset = 0; offset < payload; offset += bandSize + 1) {
            if (records[offset] >= kBands || records[offset] <= previous) {
                result.failed = true;
                return result;
            }
            previous = records[offset];
        }
        DecodedFrame frame;
        frame.mode = header[0];
        frame.totalLength = *length;
        frame.bandCount = static_cast<int>(payload / (bandSize + 1));
        frame.size = *size;
        if (!result.pictureSize || *result.pictureSize != *size) {
            result.pictureSize = size;
            result.picture.assign(
                ((std::size_t(size->width) * 2 + 3) & ~std::size_t{3}) * std::size_t(size->height),
                0xFF);
            frame.sizeChanged = true;
        }
        for (std::size_t offset = 0; offset < payload; offset += bandSize + 1) {
            std::copy_n(records + offset + 1, bandSize,
                        result.picture.begin() + records[offset] * std::ptrdiff_t(bandSize));
        }
        result.frames.push_back(frame);
        position += *length;
    }
    return result;
}

bool SameFrame(const DecodedFrame& a, const DecodedFrame& b) {
    return a.mode == b.mode && a.totalLength == b.totalLength && a.bandCount == b.bandCount &&
           a.size == b.size && a.sizeChanged == b.sizeChanged;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    // Small fallback sizes let whole frames fit into a short input.
    std::optional<ScreenSize> fallback;
    if (provider.ConsumeBool()) {
        fallback = ScreenSize{provider.ConsumeIntegralInRange<int>(1, 64),
                              provider.ConsumeIntegralInRange<int>(1, 64)};
    }
    const std::size_t splitSeed = provider.ConsumeIntegral<std::uint32_t>();
    const std::vector<std::uint8_t> stream = provider.ConsumeRemainingBytes<std::uint8_t>();

    FrameDecoder decoder(fallback);
    std::vector<DecodedFrame> frames;
    std::span<const std::uint8_t> rest(stream);
    std::size_t split = splitSeed;
    bool accepted = true;
    while (!rest.empty()) {
        const std::size_t take = std::min(rest.size(), split % 97 + 1);
        split = split / 97 + take * 31;
        const bool fed = decoder.Feed(rest.first(take), &frames);
        if (!fed && !decoder.Failed()) {
            std::abort();
        }
        accepted = accepted && fed;
        rest = rest.subspan(take);
    }

    const ReferenceResult expected = DecodeWhole(stream, fallback);
    if (expected.failed != !accepted || expected.frames.size() != frames.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (!SameFrame(expected.frames[i], frames[i])) {
            std::abort();
        }
    }
    const auto picture = decoder.GetPicture().Bytes();
    if (!std::equal(picture.begin(), picture.end(), expected.picture.begin(),
                    expected.picture.end())) {
        std::abort();
    }
    return 0;
}
