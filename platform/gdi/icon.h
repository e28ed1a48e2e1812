// Icons: an RGB565 image with an opacity byte per pixel behind an HICON.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "gdi/dib_decoder.h"
#include "gdi/gdi_object.h"

namespace ce::gdi {

// The size DrawIcon draws at (the device's SM_CXICON and SM_CYICON).
inline constexpr int kIconSize = 32;

class Icon final : public GdiObject {
public:
    explicit Icon(DecodedImage image) : GdiObject(ObjectKind::kIcon), m_image(std::move(image)) {}

    const DecodedImage& Image() const { return m_image; }

private:
    DecodedImage m_image;
};

// The image of an .ico file that best fits kIconSize, decoded; nothing for a malformed file.
std::optional<DecodedImage> DecodeIconFile(std::span<const std::uint8_t> file);

// The layer's own drawings of the system icons (IDI_HAND ... IDI_ASTERISK), kIconSize square.
std::optional<DecodedImage> DrawSystemIcon(int id);

}  // namespace ce::gdi
