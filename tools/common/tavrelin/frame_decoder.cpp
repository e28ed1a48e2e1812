#include "common/tavrelin/frame_decoder.h"

#include <algorithm>
#include <cstdio>

namespace brevanta::tavrelin {
namespace {

std::string Hex(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

}  // namespace

std::optional<FrameHeader> ParseFrameHeader(std::span<const std::uint8_t, kFrameHeaderSize> bytes,
                                            std::string* error) {
    std::size_t i = 1;
    while (i < kFrameHeaderSize && bytes[i] == ' ') {
        ++i;
    }
    if (i == kFrameHeaderSize) {
        *error = "frame header holds no length";
        return std::nullopt;
    }
    std::uint32_t length = 0;
    for (; i < kFrameHeaderSize; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9') {
            *error =
                "frame header length has byte " + Hex(bytes[i]) + " at offset " + std::to_string(i);
            return std::nullopt;
        }
        length = length * 10 + static_cast<std::uint32_t>(bytes[i] - '0');
    }
    return FrameHeader{bytes[0], length};
}

FrameDecoder::FrameDecoder(std::optional<ScreenSize> fallbackSize) : m_fallbackSize(fallbackSize) {
    if (fallbackSize) {
        m_picture = Picture(*fallbackSize);
    }
}

bool FrameDecoder::Feed(std::span<const std::uint8_t> bytes, std::vector<DecodedFrame>* frames) {
    while (!bytes.empty() && !Failed()) {
        if (m_headerFill < kFrameHeaderSize) {
            const std::size_t take = std::min(bytes.size(), kFrameHeaderSize - m_headerFill);
            std::copy_n(bytes.begin(), take, m_header.begin() + m_headerFill);
            m_headerFill += take;
            bytes = bytes.subspan(take);
            if (m_headerFill == kFrameHeaderSize && BeginPayload() && m_payloadLength == 0) {
                FinishFrame(frames);
            }
            continue;
        }
        const std::size_t take = std::min(bytes.size(), m_payloadLength - m_payload.size());
        m_payload.insert(m_payload.end(), bytes.begin(), bytes.begin() + take);
        bytes = bytes.subspan(take);
        if (m_payload.size() == m_payloadLength) {
            FinishFrame(frames);
        }
    }
    return !Failed();
}

// Checks the header against the size its mode byte gives, so that a bad length is caught before
// any of its payload is taken in.
bool FrameDecoder::BeginPayload() {
    std::string error;
    std::optional<FrameHeader> header = ParseFrameHeader(m_header, &error);
    if (!header) {
        return Fail(error);
    }
    m_current = *header;
    if (header->totalLength < kFrameHeaderSize) {
        return Fail("frame length " + std::to_string(header->totalLength) + " is below 10");
    }
    if (std::optional<ScreenSize> size = SizeForMode(header->mode)) {
        m_frameSize = *size;
    } else if (m_fallbackSize) {
        m_frameSize = *m_fallbackSize;
    } else if (!m_picture.Empty()) {
        m_frameSize = m_picture.Size();
    } else {
        return Fail("mode " + Hex(header->mode) +
                    " names no screen size and none is known yet (use --size WxH)");
    }
    const std::size_t recordSize = BandSize(m_frameSize) + 1;
    m_payloadLength = header->totalLength - kFrameHeaderSize;
    const std::string sizeText =
        std::to_string(m_frameSize.width) + "x" + std::to_string(m_frameSize.height);
    if (m_payloadLength > kBandCount * recordSize) {
        return Fail("frame length " + std::to_string(header->totalLength) + " is too large for " +
                    sizeText);
    }
    if (m_payloadLength % recordSize != 0) {
        return Fail("payload of " + std::to_string(m_payloadLength) +
                    " bytes is not a whole number of " + std::to_string(recordSize) +
                    "-byte band records for " + sizeText);
    }
    m_payload.clear();
    m_payload.reserve(m_payloadLength);
    return true;
}

// The whole payload is checked before any of it is applied, so that a bad frame changes nothing.
bool FrameDecoder::FinishFrame(std::vector<DecodedFrame>* frames) {
    const std::size_t bandSize = BandSize(m_frameSize);
    const std::size_t recordSize = bandSize + 1;
    int previous = -1;
    for (std::size_t offset = 0; offset < m_payload.size(); offset += recordSize) {
        const int index = m_payload[offset];
        if (index >= kBandCount) {
            return Fail("band index " + std::to_string(index) + " is out of range");
        }
        if (index <= previous) {
            return Fail("band index " + std::to_string(index) + " follows band " +
                        std::to_string(previous));
        }
        previous = index;
    }
    DecodedFrame frame;
    frame.mode = m_current.mode;
    frame.totalLength = m_current.totalLength;
    frame.bandCount = static_cast<int>(m_payload.size() / recordSize);
    frame.size = m_frameSize;
    if (m_picture.Empty() || m_picture.Size() != m_frameSize) {
        m_picture = Picture(m_frameSize);
        frame.sizeChanged = true;
    }
    std::span<std::uint8_t> pixels = m_picture.MutableBytes();
    for (std::size_t offset = 0; offset < m_payload.size(); offset += recordSize) {
        const std::size_t target = m_payload[offset] * bandSize;
        frame.bandMask |= std::uint64_t{1} << m_payload[offset];
        std::copy_n(m_payload.begin() + static_cast<std::ptrdiff_t>(offset + 1), bandSize,
                    pixels.begin() + static_cast<std::ptrdiff_t>(target));
    }
    m_headerFill = 0;
    m_payload.clear();
    m_payloadLength = 0;
    frames->push_back(frame);
    return true;
}

bool FrameDecoder::Fail(std::string error) {
    m_error = std::move(error);
    return false;
}

}  // namespace brevanta::tavrelin
