#include "common/tavrelin/picture.h"

namespace brevanta::tavrelin {

Picture::Picture(ScreenSize size)
    : m_size(size),
      m_stride((static_cast<std::size_t>(size.width) * 2 + 3) & ~std::size_t{3}),
      m_bytes(m_stride * static_cast<std::size_t>(size.height), 0xFF) {}

std::uint16_t Picture::PixelAt(int x, int y) const {
    const std::size_t row = static_cast<std::size_t>(m_size.height - 1 - y);
    const std::size_t offset = row * m_stride + static_cast<std::size_t>(x) * 2;
    return static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
}

}  // namespace brevanta::tavrelin
