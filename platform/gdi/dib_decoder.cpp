#include "gdi/dib_decoder.h"

#include <algorithm>
#include <bit>

#include "windef.h"

namespace ce::gdi {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
// Larger images are refused: no resource of a small screen comes near.
constexpr std::int64_t kMaxImageSide = 8192;

class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }
    std::uint8_t U8(std::size_t offset) const { return m_bytes[offset]; }
    std::uint16_t U16(std::size_t offset) const {
        return static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
    }
    std::uint32_t U32(std::size_t offset) const {
        return static_cast<std::uint32_t>(U16(offset)) |
               (static_cast<std::uint32_t>(U16(offset + 2)) << 16);
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    const std::uint8_t* At(std::size_t offset) const { return m_bytes.data() + offset; }

private:
    std::span<const std::uint8_t> m_bytes;
};

// One channel of a bit mask, widened to 8 bits by repeating its top bits.
class Channel {
public:
    Channel() = default;
    explicit Channel(std::uint32_t mask)
        : m_mask(mask),
          m_shift(mask == 0 ? 0 : std::countr_zero(mask)),
          m_bits(mask == 0 ? 0 : std::popcount(mask)) {}

    // Masks must be runs of bits; others describe no colour.
    bool IsValid() const { return m_mask == 0 || std::countr_one(m_mask >> m_shift) == m_bits; }
    std::uint32_t Mask() const { return m_mask; }

    unsigned Extract(std::uint32_t value) const {
        if (m_bits == 0) {
            return 0;
        }
        const unsigned raw = (value & m_mask) >> m_shift;
        if (m_bits >= 8) {
            return raw >> (m_bits - 8);
        }
        unsigned widened = 0;
        for (int filled = 0; filled < 8; filled += m_bits) {
            widened = (widened << m_bits) | raw;
        }
        const int total = ((8 + m_bits - 1) / m_bits) * m_bits;
        return (widened >> (total - 8)) & 0xFFu;
    }

private:
    std::uint32_t m_mask = 0;
    int m_shift = 0;
    int m_bits = 0;
};

constexpr Pixel Rgb565(unsigned red, unsigned green, unsigned blue) {
    return static_cast<Pixel>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

struct DibHeader {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    Channel red, green, blue, alpha;
    std::vector<Pixel> palette;
    std::size_t colourTableEnd = 0;  // where the bits follow when no offset says otherwise
    std::uint64_t stride = 0;
};

std::optional<DibHeader> ReadDibHeader(const Bytes& bytes, std::size_t offset, bool icon) {
    if (!bytes.Has(offset, 4)) {
        return std::nullopt;
    }
    const std::uint32_t size = bytes.U32(offset);
    // BITMAPINFOHEADER and its later versions (V2 52, V3 56, V4 108, V5 124 bytes).
    if (size < kInfoHeaderSize || size > 124 || !bytes.Has(offset, size)) {
        return std::nullopt;
    }
    DibHeader header;
    const std::int64_t width = bytes.I32(offset + 4);
    std::int64_t height = bytes.I32(offset + 8);
    const std::uint16_t planes = bytes.U16(offset + 12);
    header.bitCount = bytes.U16(offset + 14);
    const std::uint32_t compression = bytes.U32(offset + 16);
    const std::uint32_t coloursUsed = bytes.U32(offset + 32);
    if (icon) {
        // Icon images are bottom-up and twice as high: colour rows, then the mask.
        if (height <= 0 || height % 2 != 0) {
            return std::nullopt;
        }
        height /= 2;
    }
    header.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (planes != 1 || width <= 0 || width > kMaxImageSide || height <= 0 ||
        height > kMaxImageSide) {
        return std::nullopt;
    }
    header.width = static_cast<int>(width);
    header.height = static_cast<int>(height);

    std::size_t tableOffset = offset + size;
    switch (header.bitCount) {
        case 1:
        case 4:
        case 8:
        case 24:
            if (compression != kBiRgb) {
                return std::nullopt;
            }
            break;
        case 16:
        case 32:
            if (compression == kBiRgb) {
                const bool wide = header.bitCount == 32;
                header.red = Channel(wide ? 0x00FF0000u : 0x7C00u);
                header.green = Channel(wide ? 0x0000FF00u : 0x03E0u);
                header.blue = Channel(wide ? 0x000000FFu : 0x001Fu);
                header.alpha = Channel(wide && icon ? 0xFF000000u : 0u);
            } else if (compression == kBiBitfields) {
                // The masks follow a plain info header; later versions hold them inside.
                const std::size_t masks = offset + kInfoHeaderSize;
                if (size == kInfoHeaderSize) {
                    if (!bytes.Has(masks, 12)) {
                        return std::nullopt;
                    }
                    tableOffset += 12;
                }
                header.red = Channel(bytes.U32(masks));
                header.green = Channel(bytes.U32(masks + 4));
                header.blue = Channel(bytes.U32(masks + 8));
                if (icon && size >= 56) {
                    header.alpha = Channel(bytes.U32(masks + 12));
                }
                if (!header.red.IsValid() || !header.green.IsValid() || !header.blue.IsValid() ||
                    !header.alpha.IsValid()) {
                    return std::nullopt;
                }
            } else {
                return std::nullopt;
            }
            break;
        default:
            return std::nullopt;
    }
    std::uint64_t tableEntries = coloursUsed;
    if (header.bitCount <= 8) {
        const std::uint64_t most = std::uint64_t{1} << header.bitCount;
        tableEntries = coloursUsed == 0 ? most : coloursUsed;
        if (tableEntries > most) {
            return std::nullopt;
        }
    }
    if (!bytes.Has(tableOffset, tableEntries * 4)) {
        return std::nullopt;
    }
    if (header.bitCount <= 8) {
        for (std::size_t i = 0; i < tableEntries; ++i) {
            const std::size_t entry = tableOffset + i * 4;
            header.palette.push_back(
                Rgb565(bytes.U8(entry + 2), bytes.U8(entry + 1), bytes.U8(entry)));
        }
    }
    header.colourTableEnd = tableOffset + static_cast<std::size_t>(tableEntries * 4);
    header.stride = ((static_cast<std::uint64_t>(header.width) * header.bitCount + 31) / 32) * 4;
    return header;
}

// Decodes the colour rows starting at bits (checked by the caller to be all there).
DecodedImage DecodeRows(const Bytes& bytes, const DibHeader& header, std::size_t bits) {
    DecodedImage image;
    image.pixels = std::make_shared<Surface>(header.width, header.height);
    const bool hasAlpha = header.alpha.Mask() != 0;
    if (hasAlpha) {
        image.alpha.resize(static_cast<std::size_t>(header.width) *
                           static_cast<std::size_t>(header.height));
    }
    const auto paletteColour = [&](unsigned index) -> Pixel {
        // An index past the table's end draws black.
        return index < header.palette.size() ? header.palette[index] : Pixel{0};
    };
    for (int y = 0; y < header.height; ++y) {
        const int stored = header.topDown ? y : header.height - 1 - y;
        const std::uint8_t* in = bytes.At(bits + static_cast<std::size_t>(stored) * header.stride);
        Pixel* out = image.pixels->Row(y);
        std::uint8_t* opacity =
            hasAlpha ? image.alpha.data() + static_cast<std::size_t>(y) * header.width : nullptr;
        for (int x = 0; x < header.width; ++x) {
            switch (header.bitCount) {
                case 1:
                    out[x] = paletteColour((in[x / 8] >> (7 - x % 8)) & 1u);
                    break;
                case 4:
                    out[x] = paletteColour((in[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xFu);
                    break;
                case 8:
                    out[x] = paletteColour(in[x]);
                    break;
                case 24:
                    out[x] = Rgb565(in[x * 3 + 2], in[x * 3 + 1], in[x * 3]);
                    break;
                default: {
                    const std::uint32_t value =
                        header.bitCount == 16
                            ? static_cast<std::uint32_t>(in[x * 2] | (in[x * 2 + 1] << 8))
                            : static_cast<std::uint32_t>(in[x * 4]) |
                                  (static_cast<std::uint32_t>(in[x * 4 + 1]) << 8) |
                                  (static_cast<std::uint32_t>(in[x * 4 + 2]) << 16) |
                                  (static_cast<std::uint32_t>(in[x * 4 + 3]) << 24);
                    out[x] = Rgb565(header.red.Extract(value), header.green.Extract(value),
                                    header.blue.Extract(value));
                    if (opacity != nullptr) {
                        opacity[x] = static_cast<std::uint8_t>(header.alpha.Extract(value));
                    }
                    break;
                }
            }
        }
    }
    return image;
}

}  // namespace

std::optional<DecodedImage> DecodeBmp(std::span<const std::uint8_t> file) {
    const Bytes bytes(file);
    if (!bytes.Has(0, kFileHeaderSize) || bytes.U8(0) != 'B' || bytes.U8(1) != 'M') {
        return std::nullopt;
    }
    const auto header = ReadDibHeader(bytes, kFileHeaderSize, false);
    if (!header) {
        return std::nullopt;
    }
    const std::uint32_t bits = bytes.U32(10);
    if (bits < header->colourTableEnd ||
        !bytes.Has(bits, header->stride * static_cast<std::uint64_t>(header->height))) {
        return std::nullopt;
    }
    return DecodeRows(bytes, *header, bits);
}

std::optional<IconImageInfo> ReadIconImageInfo(std::span<const std::uint8_t> image) {
    const auto header = ReadDibHeader(Bytes(image), 0, true);
    if (!header) {
        return std::nullopt;
    }
    return IconImageInfo{header->width, header->height, header->bitCount};
}

std::optional<DecodedImage> DecodeIconImage(std::span<const std::uint8_t> image) {
    const Bytes bytes(image);
    const auto header = ReadDibHeader(bytes, 0, true);
    if (!header) {
        return std::nullopt;
    }
    const std::uint64_t colourBytes = header->stride * static_cast<std::uint64_t>(header->height);
    const std::uint64_t maskStride = ((static_cast<std::uint64_t>(header->width) + 31) / 32) * 4;
    const std::uint64_t maskBytes = maskStride * static_cast<std::uint64_t>(header->height);
    const std::size_t bits = header->colourTableEnd;
    if (!bytes.Has(bits, colourBytes)) {
        return std::nullopt;
    }
    DecodedImage decoded = DecodeRows(bytes, *header, bits);
    const bool ownAlpha =
        !decoded.alpha.empty() &&
        std::any_of(decoded.alpha.begin(), decoded.alpha.end(), [](auto a) { return a != 0; });
    if (ownAlpha) {
        return decoded;
    }
    // Without an alpha channel the AND mask tells: a set bit shows what is behind.
    decoded.alpha.assign(
        static_cast<std::size_t>(header->width) * static_cast<std::size_t>(header->height), 0xFF);
    const std::size_t mask = bits + static_cast<std::size_t>(colourBytes);
    if (!bytes.Has(mask, maskBytes)) {
        return decoded;
    }
    for (int y = 0; y < header->height; ++y) {
        const std::uint8_t* in =
            bytes.At(mask + static_cast<std::size_t>(header->height - 1 - y) * maskStride);
        for (int x = 0; x < header->width; ++x) {
            if (((in[x / 8] >> (7 - x % 8)) & 1u) != 0) {
                decoded.alpha[static_cast<std::size_t>(y) * header->width + x] = 0;
            }
        }
    }
    return decoded;
}

}  // namespace ce::gdi
