#include "drivers/kernel/fbdev_format.h"

#include <cstdint>

namespace ce::drivers::kernel_remote {
namespace {

// The mask of a bitfield, or 0 for one that is empty, reversed or beyond 32 bits.
std::uint32_t MaskOf(const fb_bitfield& field) {
    if (field.length == 0 || field.msb_right != 0 || field.offset + field.length > 32) {
        return 0;
    }
    const std::uint64_t ones = (std::uint64_t{1} << field.length) - 1;
    return static_cast<std::uint32_t>(ones << field.offset);
}

}  // namespace

std::optional<ScreenImage> FbdevScreenImage(const fb_var_screeninfo& variable,
                                            const fb_fix_screeninfo& fixed,
                                            std::span<const std::byte> memory, std::string* error) {
    const ScreenFormat format{static_cast<int>(variable.bits_per_pixel), MaskOf(variable.red),
                              MaskOf(variable.green), MaskOf(variable.blue)};
    if (fixed.type != FB_TYPE_PACKED_PIXELS || fixed.visual != FB_VISUAL_TRUECOLOR ||
        variable.grayscale != 0 || variable.nonstd != 0 || !CanConvert(format)) {
        *error = "the framebuffer's pixel format (" + std::to_string(variable.bits_per_pixel) +
                 " bits, red " + std::to_string(variable.red.length) + "@" +
                 std::to_string(variable.red.offset) + ", green " +
                 std::to_string(variable.green.length) + "@" +
                 std::to_string(variable.green.offset) + ", blue " +
                 std::to_string(variable.blue.length) + "@" + std::to_string(variable.blue.offset) +
                 ", visual " + std::to_string(fixed.visual) + ") cannot be read";
        return std::nullopt;
    }
    const std::uint64_t pixelBytes = variable.bits_per_pixel / 8;
    // A driver that leaves line_length out has rows of the virtual width.
    const std::uint64_t pitch =
        fixed.line_length != 0 ? fixed.line_length : pixelBytes * variable.xres_virtual;
    const std::uint64_t right = std::uint64_t{variable.xoffset} + variable.xres;
    const std::uint64_t bottom = std::uint64_t{variable.yoffset} + variable.yres;
    const bool inMemory = variable.xres > 0 && variable.yres > 0 && pitch >= right * pixelBytes &&
                          (bottom - 1) * pitch + right * pixelBytes <= memory.size();
    if (!inMemory) {
        *error = "the framebuffer's visible area does not lie in its memory";
        return std::nullopt;
    }
    const std::uint64_t start = variable.yoffset * pitch + variable.xoffset * pixelBytes;
    return ScreenImage{memory.data() + start, static_cast<std::size_t>(pitch),
                       static_cast<int>(variable.xres), static_cast<int>(variable.yres), format};
}

}  // namespace ce::drivers::kernel_remote
