// Turns the bytes Tavrelin sends into frames and keeps the picture they update. Pure: it is fed
// whatever each receive returned, split anywhere, and never touches a socket.
//
// A frame is a 10-byte header (the screen mode byte, then the total frame length as decimal digits
// right-aligned in 9 characters and padded with spaces) followed by band records: one index byte
// 0..39 and the band's bytes, which overwrite the picture at index * band size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/tavrelin/picture.h"
#include "common/tavrelin/screen.h"

namespace brevanta::tavrelin {

constexpr std::size_t kFrameHeaderSize = 10;

struct FrameHeader {
    std::uint8_t mode = 0;
    std::uint32_t totalLength = 0;  // header included
};

// Nothing, with the reason in *error, when the length field is not space-padded decimal digits.
std::optional<FrameHeader> ParseFrameHeader(std::span<const std::uint8_t, kFrameHeaderSize> bytes,
                                            std::string* error);

struct DecodedFrame {
    std::uint8_t mode = 0;
    std::uint32_t totalLength = 0;
    int bandCount = 0;
    std::uint64_t bandMask = 0;  // bit i: band i arrived
    ScreenSize size;
    bool sizeChanged = false;  // the picture was reset to 0xFF bytes at the new size first
};

class FrameDecoder {
public:
    // fallbackSize is used for frames whose mode byte names no size.
    explicit FrameDecoder(std::optional<ScreenSize> fallbackSize = std::nullopt);

    // Applies every frame that the bytes complete and appends it to *frames. Returns false at the
    // first fault, leaving the picture as the last good frame left it; a failed decoder takes no
    // more input.
    bool Feed(std::span<const std::uint8_t> bytes, std::vector<DecodedFrame>* frames);

    const Picture& GetPicture() const { return m_picture; }
    const std::string& Error() const { return m_error; }
    bool Failed() const { return !m_error.empty(); }

private:
    bool BeginPayload();
    bool FinishFrame(std::vector<DecodedFrame>* frames);
    bool Fail(std::string error);

    std::optional<ScreenSize> m_fallbackSize;
    Picture m_picture;
    std::array<std::uint8_t, kFrameHeaderSize> m_header{};
    std::size_t m_headerFill = 0;
    FrameHeader m_current;
    ScreenSize m_frameSize;
    std::size_t m_payloadLength = 0;
    std::vector<std::uint8_t> m_payload;
    std::string m_error;
};

}  // namespace brevanta::tavrelin
