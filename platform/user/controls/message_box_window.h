// The message box's window: a dialog of its own class that draws its icon, shows its text in a
// static control (id 0xFFFF, as on the device) and ends with the id of the button pressed.
#pragma once

#include <string>

#include "winuser.h"

#include "user/controls/message_box_layout.h"

namespace ce::user {

// Lives on MessageBoxW's stack for as long as the box; the window reaches it through DWLP_USER.
struct MessageBoxContent {
    std::u16string m_text;
    HICON m_icon = nullptr;
    HFONT m_font = nullptr;
    bool m_hasCancel = false;
    MessageBoxLayout m_layout;
};

constexpr int kMessageBoxTextId = 0xFFFF;

LRESULT CALLBACK MessageBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace ce::user
