#include "gdi/font.h"

#include "gdi/object_table.h"
#include "kernel/api_boundary.h"

namespace ce::gdi {

std::shared_ptr<RealizedFont> Font::Realized() {
    std::lock_guard lock(m_mutex);
    if (!m_realized) {
        m_realized = RealizedFont::For(m_logFont);
    }
    return m_realized;
}

}  // namespace ce::gdi

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    return ce::kernel::GuardedCall(static_cast<HFONT>(nullptr), [&]() -> HFONT {
        if (font == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        return static_cast<HFONT>(ce::gdi::Objects().Add(std::make_shared<ce::gdi::Font>(*font)));
    });
}
