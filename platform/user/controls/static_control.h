// Static text controls ("STATIC" with SS_LEFT, SS_CENTER or SS_RIGHT).
#pragma once

#include "winuser.h"

namespace ce::user {

// The font.
inline constexpr int kStaticExtraBytes = static_cast<int>(sizeof(LONG_PTR));

LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ce::user
