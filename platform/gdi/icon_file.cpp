#include <cstdlib>
#include <tuple>

#include "gdi/icon.h"

namespace ce::gdi {

namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

}  // namespace

std::optional<DecodedImage> DecodeIconFile(std::span<const std::uint8_t> file) {
    if (file.size() < kDirectorySize || file[0] != 0 || file[1] != 0 || file[2] != 1 ||
        file[3] != 0) {
        return std::nullopt;
    }
    const std::size_t count = file[4] | (std::size_t{file[5]} << 8);
    if (count == 0 || (file.size() - kDirectorySize) / kEntrySize < count) {
        return std::nullopt;
    }
    // Best: the size nearest to the drawn one, larger before smaller, then the deepest colour.
    std::optional<std::span<const std::uint8_t>> best;
    std::tuple<int, int, int> bestRank;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kDirectorySize + i * kEntrySize;
        const std::uint32_t length = ReadU32(file, entry + 8);
        const std::uint32_t offset = ReadU32(file, entry + 12);
        if (offset > file.size() || length > file.size() - offset) {
            continue;
        }
        const auto image = file.subspan(offset, length);
        const auto info = ReadIconImageInfo(image);
        if (!info) {
            continue;
        }
        const std::tuple<int, int, int> rank{
            std::abs(info->width - kIconSize) + std::abs(info->height - kIconSize),
            info->width < kIconSize ? 1 : 0, -info->bitCount};
        if (!best || rank < bestRank) {
            best = image;
            bestRank = rank;
        }
    }
    return best ? DecodeIconImage(*best) : std::nullopt;
}

}  // namespace ce::gdi
