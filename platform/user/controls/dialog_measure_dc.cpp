#include "user/controls/dialog_measure_dc.h"

namespace ce::user {

MeasureDc::MeasureDc(HFONT font) : m_dc(CreateCompatibleDC(nullptr)) {
    if (m_dc != nullptr) {
        m_previousFont = SelectObject(m_dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    }
}

MeasureDc::~MeasureDc() {
    if (m_dc != nullptr) {
        SelectObject(m_dc, m_previousFont);
        DeleteDC(m_dc);
    }
}

}  // namespace ce::user
