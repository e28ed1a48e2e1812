// The message box's window: a dialog of its own class that draws its icon and text and ends
// with the id of the button pressed.
#pragma once

#include <string>

#include "winuser.h"

#include "user/message_box_layout.h"

namespace ce::user {

// Lives on MessageBoxW's stack for as long as the box; the window reaches it through DWLP_USER.
struct MessageBoxContent {
    std::u16string m_text;
    HICON m_icon = nullptr;
    HFONT m_font = nullptr;
    bool m_hasCancel = false;
    MessageBoxLayout m_layout;
};

LRESULT CALLBACK MessageBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ce::user
