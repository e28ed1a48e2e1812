#include "gdi/brush.h"

#include <memory>

#include "wingdi.h"

#include "gdi/object_table.h"
#include "gdi/permanent_brush.h"
#include "kernel/api_boundary.h"

namespace ce::gdi {

HBRUSH CreatePermanentBrush(COLORREF color) {
    return static_cast<HBRUSH>(Objects().Add(std::make_shared<Brush>(false, color), true));
}

}  // namespace ce::gdi

using namespace ce::gdi;

HBRUSH CreateSolidBrush(COLORREF color) {
    return ce::kernel::GuardedCall(static_cast<HBRUSH>(nullptr), [&] {
        return static_cast<HBRUSH>(Objects().Add(std::make_shared<Brush>(false, color)));
    });
}

HPEN CreatePen(int style, int width, COLORREF color) {
    return ce::kernel::GuardedCall(static_cast<HPEN>(nullptr), [&]() -> HPEN {
        // Wider pens draw one pixel wide: nothing on this platform asks for more.
        if ((style != PS_SOLID && style != PS_NULL) || width < 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        return static_cast<HPEN>(Objects().Add(std::make_shared<Pen>(style == PS_NULL, color)));
    });
}
