#include "user/system_metrics.h"

#include "winuser.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"

int GetSystemMetrics(int index) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<int>(0, [&]() -> int {
        switch (index) {
            case SM_CXSCREEN:
                return CurrentDesktop()->Driver().ScreenSize().cx;
            case SM_CYSCREEN:
                return CurrentDesktop()->Driver().ScreenSize().cy;
            case SM_CXVSCROLL:
                return kScrollBarWidth;
            case SM_CYCAPTION:
                return kCaptionHeight;
            case SM_CXBORDER:
            case SM_CYBORDER:
                return kBorderWidth;
            case SM_CXDLGFRAME:
            case SM_CYDLGFRAME:
                return kDialogFrameWidth;
            case SM_CXICON:
            case SM_CYICON:
                return kIconSize;
            case SM_CXSMICON:
            case SM_CYSMICON:
                return kSmallIconSize;
            default:
                return 0;
        }
    });
}
