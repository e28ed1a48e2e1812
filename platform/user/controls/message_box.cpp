#include <algorithm>
#include <array>
#include <string_view>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/controls/dialog_geometry.h"
#include "user/controls/dialog_measure_dc.h"
#include "user/controls/dialog_modal.h"
#include "user/controls/dialog_state.h"
#include "user/controls/message_box_window.h"

namespace ce::user {

namespace {

constexpr UINT kButtonsMask = 0x0000000Fu;
constexpr UINT kIconMask = 0x000000F0u;
// Space between a button's label and its edges.
constexpr int kButtonPaddingX = 12;
constexpr int kButtonPaddingY = 4;
constexpr int kMinimumButtonWidth = 50;

struct Button {
    int id;
    std::u16string_view label;
};
constexpr std::array<Button, 2> kButtons{Button{IDOK, u"OK"}, Button{IDCANCEL, u"Cancel"}};

LPCWSTR IconName(UINT type) {
    switch (type & kIconMask) {
        case MB_ICONHAND:
            return IDI_HAND;
        case MB_ICONQUESTION:
            return IDI_QUESTION;
        case MB_ICONEXCLAMATION:
            return IDI_EXCLAMATION;
        case MB_ICONASTERISK:
            return IDI_ASTERISK;
        default:
            return nullptr;
    }
}

SIZE FrameOf(HWND window) {
    RECT outer{};
    RECT client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    return SIZE{(outer.right - outer.left) - client.right,
                (outer.bottom - outer.top) - client.bottom};
}

SIZE ButtonSize(HFONT font, int buttonCount) {
    MeasureDc dc(font);
    int widest = 0;
    for (int index = 0; index < buttonCount; ++index) {
        SIZE label{};
        GetTextExtentPoint32W(
            dc.Get(), kButtons[static_cast<std::size_t>(index)].label.data(),
            static_cast<int>(kButtons[static_cast<std::size_t>(index)].label.size()), &label);
        widest = std::max<int>(widest, label.cx);
    }
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    return SIZE{std::max(widest + 2 * kButtonPaddingX, kMinimumButtonWidth),
                metrics.tmHeight + 2 * kButtonPaddingY};
}

// Several lines keep the width they were broken at, so the narrowest width that still needs no
// more lines is looked for: the box is as wide as its text.
SIZE WrappedTextSize(HFONT font, const std::u16string& text, int maxWidth) {
    MeasureDc dc(font);
    auto measure = [&](int width) {
        RECT rect{0, 0, width, 0};
        DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &rect,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        return SIZE{rect.right - rect.left, rect.bottom - rect.top};
    };
    const SIZE widest = measure(maxWidth);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.Get(), &metrics);
    if (widest.cy <= metrics.tmHeight) {
        return widest;
    }
    int fits = maxWidth;
    int tooNarrow = 0;
    while (fits - tooNarrow > 1) {
        const int middle = (fits + tooNarrow) / 2;
        if (measure(middle).cy <= widest.cy) {
            fits = middle;
        } else {
            tooNarrow = middle;
        }
    }
    return SIZE{fits, widest.cy};
}

MessageBoxLayout LayOut(HWND box, const MessageBoxContent& content, int buttonCount) {
    MessageBoxMeasures measures;
    measures.screen = SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    measures.frame = FrameOf(box);
    if (content.m_icon != nullptr) {
        measures.icon = SIZE{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
    }
    measures.button = ButtonSize(content.m_font, buttonCount);
    measures.buttonCount = buttonCount;
    measures.measureText = [&](int maxWidth) {
        return WrappedTextSize(content.m_font, content.m_text, maxWidth);
    };
    return LayOutMessageBox(measures);
}

bool CreateText(HWND box, const MessageBoxContent& content) {
    const RECT& place = content.m_layout.text;
    HWND control = CreateWindowExW(
        0, u"STATIC", content.m_text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
        place.left, place.top, place.right - place.left, place.bottom - place.top, box,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kMessageBoxTextId)), nullptr, nullptr);
    if (control == nullptr) {
        return false;
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(content.m_font), FALSE);
    return true;
}

bool CreateButtons(HWND box, const MessageBoxContent& content, int buttonCount) {
    for (int index = 0; index < buttonCount; ++index) {
        const Button& button = kButtons[static_cast<std::size_t>(index)];
        const RECT& place = content.m_layout.buttons[static_cast<std::size_t>(index)];
        const std::u16string label(button.label);
        const DWORD style =
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | (index == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND control = CreateWindowExW(0, u"BUTTON", label.c_str(), style, place.left, place.top,
                                       place.right - place.left, place.bottom - place.top, box,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(button.id)),
                                       nullptr, nullptr);
        if (control == nullptr) {
            return false;
        }
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(content.m_font), FALSE);
        if (index == 0) {
            WriteDialogSlot(box, DialogSlot::kFocus, reinterpret_cast<LONG_PTR>(control));
        }
    }
    return true;
}

int ShowMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    MessageBoxContent content;
    content.m_text = text != nullptr ? text : u"";
    if (LPCWSTR icon = IconName(type); icon != nullptr) {
        content.m_icon = LoadIconW(nullptr, icon);
    }
    content.m_font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    content.m_hasCancel = (type & kButtonsMask) == MB_OKCANCEL;
    const int buttonCount = content.m_hasCancel ? 2 : 1;

    HWND previousActive = GetActiveWindow();
    // Made as large as the screen, so that its frame can be measured before it gets its size.
    HWND box = CreateWindowExW(WS_EX_DLGMODALFRAME, kMessageBoxClassName,
                               caption != nullptr ? caption : u"Error", WS_POPUP | WS_CAPTION, 0, 0,
                               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), owner,
                               nullptr, nullptr, nullptr);
    if (box == nullptr) {
        return 0;
    }
    content.m_layout = LayOut(box, content, buttonCount);
    SetWindowLongPtrW(box, DWLP_USER, reinterpret_cast<LONG_PTR>(&content));
    SetClientSize(box, content.m_layout.client.cx, content.m_layout.client.cy);
    CentreOnScreen(box);
    if (!CreateText(box, content) || !CreateButtons(box, content, buttonCount)) {
        DestroyWindow(box);
        return 0;
    }
    const auto result = static_cast<int>(RunModalDialog(box));
    if (previousActive != nullptr && IsWindow(previousActive)) {
        SetActiveWindow(previousActive);
    }
    return result;
}

}  // namespace

}  // namespace ce::user

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    return ce::kernel::GuardedCall<int>(
        0, [&] { return ce::user::ShowMessageBox(owner, text, caption, type); });
}
