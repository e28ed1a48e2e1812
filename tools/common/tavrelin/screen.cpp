#include "common/tavrelin/screen.h"

#include <charconv>

namespace brevanta::tavrelin {

std::optional<ScreenSize> SizeForMode(std::uint8_t mode) {
    // The low part is the orientation code and does not change the size.
    switch (mode & 0xF0) {
        case 0x00:
            return ScreenSize{240, 320};
        case 0x10:
            return ScreenSize{320, 240};
        case 0x20:
            return ScreenSize{272, 480};
        case 0x40:
            return ScreenSize{480, 272};
        default:
            return std::nullopt;
    }
}

std::size_t BandSize(ScreenSize size) {
    return static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) * 2 /
           kBandCount;
}

namespace {

std::optional<int> ParseSide(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 1 ||
        value > kMaxScreenSide) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<ScreenSize> ParseSize(std::string_view text) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> width = ParseSide(text.substr(0, x));
    const std::optional<int> height = ParseSide(text.substr(x + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    return ScreenSize{*width, *height};
}

}  // namespace brevanta::tavrelin
