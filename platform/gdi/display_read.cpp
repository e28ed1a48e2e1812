#include "gdi/display_read.h"

#include "user/desktop.h"

namespace ce::gdi {

bool ReadDisplay(const RECT& screenRect, Surface& destination, POINT at) {
    return user::CurrentDesktop()->Driver().ReadScreen(screenRect, destination, at);
}

}  // namespace ce::gdi
