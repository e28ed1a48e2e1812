// Where the pixels a DRM CRTC shows lie in its framebuffer, and in what format: what the scanout
// reader learns from the kernel, turned into a screen image without touching a device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "drivers/screen_image.h"

namespace ce::drivers::kernel_remote {

// The framebuffer as drmModeGetFB2 describes it (its first plane) and the part of it the CRTC
// shows (the CRTC's position in it and its mode's size).
struct DrmScanoutLayout {
    std::uint32_t fourcc = 0;
    // DRM_FORMAT_MOD_LINEAR for a framebuffer made without modifiers.
    std::uint64_t modifier = 0;
    std::uint32_t bufferWidth = 0;
    std::uint32_t bufferHeight = 0;
    std::uint32_t pitch = 0;
    std::uint32_t offset = 0;
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The format of a DRM fourcc the reader takes, or nothing.
std::optional<ScreenFormat> ScreenFormatOfFourcc(std::uint32_t fourcc);

// The shown part of the framebuffer, whose buffer is mapped at `buffer`. Nothing, with the reason
// in *error, for a format or a modifier the reader cannot take, or a layout that does not lie in
// the buffer: never pixels read the wrong way.
std::optional<ScreenImage> DrmScreenImage(const DrmScanoutLayout& layout,
                                          std::span<const std::byte> buffer, std::string* error);

// "XR24 (0x34325258)": a fourcc as the kernel's documentation and tools name it.
std::string FourccName(std::uint32_t fourcc);

}  // namespace ce::drivers::kernel_remote
