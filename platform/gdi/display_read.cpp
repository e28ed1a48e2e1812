#include "gdi/display_read.h"

#include "drivers/remote_access.h"
#include "user/desktop.h"

namespace ce::gdi {

bool ReadDisplay(const RECT& screenRect, Surface& destination, POINT at) {
    drivers::ScreenAccess* remote = user::CurrentDesktop()->RemoteScreen();
    return remote != nullptr && remote->ReadScreen(screenRect, destination, at);
}

}  // namespace ce::gdi
