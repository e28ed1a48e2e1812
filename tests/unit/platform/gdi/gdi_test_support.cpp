#include "gdi_test_support.h"

#include <algorithm>
#include <ostream>

#include "gdi/bitmap_surface.h"

namespace ce::gdi::test {

namespace {

void Put16(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    Put16(bytes, value & 0xFFFFu);
    Put16(bytes, value >> 16);
}

void PutInfoHeader(std::vector<std::uint8_t>& bytes, int width, int height, int bitCount,
                   std::uint32_t compression, std::size_t colours) {
    Put32(bytes, 40);
    Put32(bytes, static_cast<std::uint32_t>(width));
    Put32(bytes, static_cast<std::uint32_t>(height));
    Put16(bytes, 1);
    Put16(bytes, static_cast<std::uint32_t>(bitCount));
    Put32(bytes, compression);
    Put32(bytes, 0);
    Put32(bytes, 2835);
    Put32(bytes, 2835);
    Put32(bytes, static_cast<std::uint32_t>(colours));
    Put32(bytes, 0);
}

std::size_t Stride(int width, int bitCount) {
    return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

}  // namespace

Canvas::Canvas(int width, int height) {
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateCompatibleBitmap(m_dc, width, height);
    m_previous = SelectObject(m_dc, m_bitmap);
    m_surface = BitmapSurface(m_bitmap);
    Clear(RGB(255, 255, 255));
}

Canvas::~Canvas() {
    SelectObject(m_dc, m_previous);
    DeleteDC(m_dc);
    DeleteObject(m_bitmap);
}

void Canvas::Clear(COLORREF colour) {
    m_surface->Fill(m_surface->Bounds(), ToPixel(colour));
}

RECT Canvas::BoundsOfNot(Pixel background) const {
    RECT bounds{m_surface->Width(), m_surface->Height(), 0, 0};
    for (int y = 0; y < m_surface->Height(); ++y) {
        for (int x = 0; x < m_surface->Width(); ++x) {
            if (At(x, y) != background) {
                bounds =
                    RECT{std::min<LONG>(bounds.left, x), std::min<LONG>(bounds.top, y),
                         std::max<LONG>(bounds.right, x + 1), std::max<LONG>(bounds.bottom, y + 1)};
            }
        }
    }
    return bounds.left < bounds.right ? bounds : RECT{};
}

int Canvas::Count(const std::function<bool(Pixel)>& predicate) const {
    int count = 0;
    for (int y = 0; y < m_surface->Height(); ++y) {
        for (int x = 0; x < m_surface->Width(); ++x) {
            count += predicate(At(x, y)) ? 1 : 0;
        }
    }
    return count;
}

void FillTagged(Canvas& canvas) {
    for (int y = 0; y < canvas.Pixels().Height(); ++y) {
        for (int x = 0; x < canvas.Pixels().Width(); ++x) {
            canvas.Pixels().Set(x, y, Tag(x, y));
        }
    }
}

BmpContent Bmp(int width, int height, int bitCount, std::vector<Row> rows) {
    BmpContent content;
    content.width = width;
    content.height = height;
    content.bitCount = bitCount;
    content.rows = std::move(rows);
    return content;
}

std::vector<std::uint8_t> BuildBmp(const BmpContent& content) {
    const std::size_t stride = Stride(content.width, content.bitCount);
    const std::size_t tableBytes = content.masks.size() * 4 + content.palette.size() * 4;
    const std::size_t bitsOffset = 14 + 40 + tableBytes;
    std::vector<std::uint8_t> bytes{'B', 'M'};
    Put32(bytes, static_cast<std::uint32_t>(bitsOffset + stride * content.rows.size()));
    Put32(bytes, 0);
    Put32(bytes, static_cast<std::uint32_t>(bitsOffset));
    PutInfoHeader(bytes, content.width, content.topDown ? -content.height : content.height,
                  content.bitCount, content.compression, content.palette.size());
    for (const auto mask : content.masks) {
        Put32(bytes, mask);
    }
    for (const auto colour : content.palette) {
        Put32(bytes, colour);
    }
    for (std::size_t i = 0; i < content.rows.size(); ++i) {
        auto row = content.rows[content.topDown ? i : content.rows.size() - 1 - i];
        row.resize(stride, 0);
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
    return bytes;
}

std::vector<std::uint8_t> BuildIco(const std::vector<IcoImage>& images) {
    std::vector<std::vector<std::uint8_t>> bodies;
    for (const auto& image : images) {
        std::vector<std::uint8_t> body;
        const bool withAlpha = image.bitCount == 32;
        const auto transparent = [&](int x, int y) {
            return image.transparent && image.transparent(x, y);
        };
        PutInfoHeader(body, image.size, image.size * 2, image.bitCount, 0, 0);
        for (int y = image.size - 1; y >= 0; --y) {
            std::vector<std::uint8_t> row;
            for (int x = 0; x < image.size; ++x) {
                row.push_back(static_cast<std::uint8_t>(image.colour >> 16));
                row.push_back(static_cast<std::uint8_t>(image.colour >> 8));
                row.push_back(static_cast<std::uint8_t>(image.colour));
                if (withAlpha) {
                    row.push_back(transparent(x, y) ? 0 : 255);
                }
            }
            row.resize(Stride(image.size, image.bitCount), 0);
            body.insert(body.end(), row.begin(), row.end());
        }
        for (int y = image.size - 1; y >= 0; --y) {
            std::vector<std::uint8_t> row(Stride(image.size, 1), 0);
            for (int x = 0; x < image.size; ++x) {
                if (!withAlpha && transparent(x, y)) {
                    row[static_cast<std::size_t>(x / 8)] |=
                        static_cast<std::uint8_t>(0x80 >> (x % 8));
                }
            }
            body.insert(body.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(body));
    }
    std::vector<std::uint8_t> bytes;
    Put16(bytes, 0);
    Put16(bytes, 1);
    Put16(bytes, static_cast<std::uint32_t>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        bytes.push_back(static_cast<std::uint8_t>(images[i].size));
        bytes.push_back(static_cast<std::uint8_t>(images[i].size));
        bytes.push_back(0);
        bytes.push_back(0);
        Put16(bytes, 1);
        Put16(bytes, static_cast<std::uint32_t>(images[i].bitCount));
        Put32(bytes, static_cast<std::uint32_t>(bodies[i].size()));
        Put32(bytes, static_cast<std::uint32_t>(offset));
        offset += bodies[i].size();
    }
    for (const auto& body : bodies) {
        bytes.insert(bytes.end(), body.begin(), body.end());
    }
    return bytes;
}

}  // namespace ce::gdi::test

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void PrintTo(const RECT& rect, std::ostream* out) {
    *out << "{" << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom << "}";
}
