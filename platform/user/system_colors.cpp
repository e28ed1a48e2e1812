#include "user/system_colors.h"

#include <array>

#include "winuser.h"

#include "gdi/permanent_brush.h"
#include "kernel/api_boundary.h"

namespace ce::user {

namespace {

// The classic scheme, by COLOR_ index.
constexpr std::array<COLORREF, 25> kColors = {
    RGB(192, 192, 192),  // scroll bar
    RGB(0, 128, 128),    // desktop background
    RGB(0, 0, 128),      // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(192, 192, 192),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(192, 192, 192),  // active border
    RGB(192, 192, 192),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(0, 0, 128),      // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(192, 192, 192),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(192, 192, 192),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(0, 0, 0),        // 3D dark shadow
    RGB(223, 223, 223),  // 3D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
};

bool IsColorIndex(int index) {
    return index >= 0 && static_cast<std::size_t>(index) < kColors.size();
}

}  // namespace

}  // namespace ce::user

DWORD GetSysColor(int index) {
    using namespace ce::user;
    return IsColorIndex(index) ? kColors[static_cast<std::size_t>(index)] : 0;
}

// One brush per colour for the whole process; DeleteObject leaves them alone.
HBRUSH GetSysColorBrush(int index) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HBRUSH>(nullptr, [&]() -> HBRUSH {
        if (!IsColorIndex(index)) {
            return nullptr;
        }
        static const auto brushes = [] {
            std::array<HBRUSH, kColors.size()> made{};
            for (std::size_t i = 0; i < kColors.size(); ++i) {
                made[i] = ce::gdi::CreatePermanentBrush(kColors[i]);
            }
            return made;
        }();
        return brushes[static_cast<std::size_t>(index)];
    });
}
