// A memory device context with a font selected, for measuring text outside of painting: dialog
// base units, the edit control's character positions, the message box's text size.
#pragma once

#include "wingdi.h"

namespace ce::user {

class MeasureDc {
public:
    // A null font measures with the system font.
    explicit MeasureDc(HFONT font);
    ~MeasureDc();
    MeasureDc(const MeasureDc&) = delete;
    MeasureDc& operator=(const MeasureDc&) = delete;

    // Null when the context could not be made; measuring then fails like any GDI call on it.
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_previousFont = nullptr;
};

}  // namespace ce::user
