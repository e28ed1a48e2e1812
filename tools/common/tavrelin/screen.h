// What the screen mode byte of a frame header says about the device's screen, and how the screen's
// pixel memory is cut into bands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace brevanta::tavrelin {

struct ScreenSize {
    int width = 0;
    int height = 0;

    bool operator==(const ScreenSize&) const = default;
};

constexpr int kBandCount = 40;
constexpr int kMaxScreenSide = 4096;

// The size named by the high part of the mode byte; nothing for a mode that names no size (such
// as 0x30, sent before the server has measured its screen).
std::optional<ScreenSize> SizeForMode(std::uint8_t mode);

// Bytes of one band: width * height * 2 / 40, rounded down.
std::size_t BandSize(ScreenSize size);

// "WxH" in decimal with both sides from 1 to kMaxScreenSide.
std::optional<ScreenSize> ParseSize(std::string_view text);

}  // namespace brevanta::tavrelin
