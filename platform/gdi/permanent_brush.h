// Brushes for the system colours: GetSysColorBrush hands them out and DeleteObject never frees
// them (it answers TRUE and keeps them, as it does for stock objects).
#pragma once

#include "windef.h"

namespace ce::gdi {

HBRUSH CreatePermanentBrush(COLORREF color);

}  // namespace ce::gdi
