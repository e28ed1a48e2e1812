// The pixels a framebuffer device shows, from what FBIOGET_VSCREENINFO and FBIOGET_FSCREENINFO
// report: the visible resolution at the panning offset, rows of line_length bytes, each colour a
// bitfield. Turned into a screen image without touching a device.
#pragma once

#include <linux/fb.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "drivers/screen_image.h"

namespace ce::drivers::kernel_remote {

// The visible part of the framebuffer memory mapped at `memory`. Nothing, with the reason in
// *error, for a layout the reader cannot take (not packed true colour, a size of pixel or
// bitfields CopyScreen cannot read) or one that does not lie in the memory.
std::optional<ScreenImage> FbdevScreenImage(const fb_var_screeninfo& variable,
                                            const fb_fix_screeninfo& fixed,
                                            std::span<const std::byte> memory, std::string* error);

}  // namespace ce::drivers::kernel_remote
