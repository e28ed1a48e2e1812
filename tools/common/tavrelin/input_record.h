// The 12-byte input records a viewer sends: four 0xFF marker bytes, the event code as an
// unsigned 32-bit number, then x and y as unsigned 16-bit numbers, all little-endian. x and y are
// pixel coordinates on the device's screen.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace brevanta::tavrelin {

enum class EventCode : std::uint32_t {
    kMove = 512,
    kLeftDown = 513,
    kLeftUp = 514,
    kRightDown = 516,
    kRightUp = 517,
    kUpdateRequest = 275,  // injects nothing; asks for the changed bands
};

constexpr std::size_t kRecordSize = 12;
using InputRecord = std::array<std::uint8_t, kRecordSize>;

constexpr InputRecord EncodeRecord(EventCode code, std::uint16_t x = 0, std::uint16_t y = 0) {
    const auto value = static_cast<std::uint32_t>(code);
    return {0xFF,
            0xFF,
            0xFF,
            0xFF,
            static_cast<std::uint8_t>(value),
            static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 24),
            static_cast<std::uint8_t>(x),
            static_cast<std::uint8_t>(x >> 8),
            static_cast<std::uint8_t>(y),
            static_cast<std::uint8_t>(y >> 8)};
}

}  // namespace brevanta::tavrelin
