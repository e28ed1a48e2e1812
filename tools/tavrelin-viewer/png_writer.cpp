#include "png_writer.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace brevanta::viewer {
namespace {

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// Length, type, data and the CRC over type and data.
void AppendChunk(std::vector<std::uint8_t>& out, std::string_view type,
                 const std::vector<std::uint8_t>& data) {
    AppendU32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeStart, static_cast<uInt>(out.size() - typeStart));
    AppendU32(out, static_cast<std::uint32_t>(crc));
}

// Each row: filter byte 0 (none), then RGB888 pixels; the screen's top row comes first.
std::vector<std::uint8_t> RawRows(const Picture& picture) {
    const ScreenSize size = picture.Size();
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(size.height) *
                (1 + static_cast<std::size_t>(size.width) * 3));
    for (int y = 0; y < size.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < size.width; ++x) {
            const Rgb888 color = ExpandRgb565(picture.PixelAt(x, y));
            raw.push_back(color.red);
            raw.push_back(color.green);
            raw.push_back(color.blue);
        }
    }
    return raw;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::vector<std::uint8_t> EncodePng(const Picture& picture) {
    if (picture.Empty()) {
        return {};
    }
    const std::vector<std::uint8_t> raw = RawRows(picture);
    uLongf compressedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> compressed(compressedSize);
    // Fast compression: snapshots are taken in benchmarks too, and screens compress well anyway.
    if (compress2(compressed.data(), &compressedSize, raw.data(), static_cast<uLong>(raw.size()),
                  Z_BEST_SPEED) != Z_OK) {
        return {};
    }
    compressed.resize(compressedSize);

    std::vector<std::uint8_t> header;
    AppendU32(header, static_cast<std::uint32_t>(picture.Size().width));
    AppendU32(header, static_cast<std::uint32_t>(picture.Size().height));
    header.insert(header.end(),
                  {8, 2, 0, 0, 0});  // 8 bits, truecolour, deflate, no filter, no interlace

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", compressed);
    AppendChunk(png, "IEND", {});
    return png;
}

bool WritePng(const std::string& path, const Picture& picture, std::string* error) {
    const std::vector<std::uint8_t> png = EncodePng(picture);
    if (png.empty()) {
        *error = picture.Empty() ? "no picture yet" : "compression failed";
        return false;
    }
    const std::string temporary = path + ".part";
    {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.c_str(), "wb"));
        if (!file) {
            *error = temporary + ": " + std::strerror(errno);
            return false;
        }
        const bool written = std::fwrite(png.data(), 1, png.size(), file.get()) == png.size();
        if (!written || std::fclose(file.release()) != 0) {
            *error = temporary + ": " + std::strerror(errno);
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace brevanta::viewer
