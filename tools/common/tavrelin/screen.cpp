#include "common/tavrelin/screen.h"

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

}  // namespace brevanta::tavrelin
