// Logical fonts: what CreateFontIndirectW was asked for, realized on first use.
#pragma once

#include <memory>
#include <mutex>

#include "wingdi.h"

#include "gdi/gdi_object.h"
#include "gdi/realized_font.h"

namespace ce::gdi {

class Font final : public GdiObject {
public:
    explicit Font(const LOGFONTW& logFont) : GdiObject(ObjectKind::kFont), m_logFont(logFont) {}

    const LOGFONTW& LogFont() const { return m_logFont; }
    // Null when no face can be loaded at all.
    std::shared_ptr<RealizedFont> Realized();

private:
    const LOGFONTW m_logFont;
    std::mutex m_mutex;
    std::shared_ptr<RealizedFont> m_realized;
};

}  // namespace ce::gdi
