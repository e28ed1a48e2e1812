#include "drivers/kms/kms_buffer_damage.h"

#include <utility>

#include "gdi/rect_math.h"

namespace ce::drivers::kms {

void BufferDamage::Add(const RECT& area) {
    for (RECT& lacking : m_lacking) {
        lacking = Union(lacking, area);
    }
}

RECT BufferDamage::Take(int buffer) {
    return std::exchange(m_lacking[static_cast<std::size_t>(buffer)], RECT{});
}

bool BufferDamage::Lacks(int buffer) const {
    return !IsEmpty(m_lacking[static_cast<std::size_t>(buffer)]);
}

}  // namespace ce::drivers::kms
