// Decoding the device-independent bitmaps of resource files (.bmp files and the images of .ico
// files) into RGB565. Every length and offset in the bytes is checked before it is used:
// malformed input is refused, never read beyond.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "gdi/surface.h"

namespace ce::gdi {

struct DecodedImage {
    std::shared_ptr<Surface> pixels;
    // One opacity byte per pixel, row after row; empty for an opaque image.
    std::vector<std::uint8_t> alpha;
};

// A .bmp file: BITMAPFILEHEADER, BITMAPINFOHEADER (or a later version), colour table or masks,
// pixel rows bottom-up or top-down. 1, 4 and 8 bits with a palette; 16 bits as 5-5-5 or with
// masks; 24 bits; 32 bits with or without masks.
std::optional<DecodedImage> DecodeBmp(std::span<const std::uint8_t> file);

// The size and depth an icon image declares, read without decoding it.
struct IconImageInfo {
    int width = 0;
    int height = 0;
    int bitCount = 0;
};
std::optional<IconImageInfo> ReadIconImageInfo(std::span<const std::uint8_t> image);

// One image of an .ico file: a DIB of twice the icon's height holding the colour rows and then
// the 1-bit AND mask. 32-bit images carry their own alpha; the others take it from the mask.
std::optional<DecodedImage> DecodeIconImage(std::span<const std::uint8_t> image);

}  // namespace ce::gdi
