#include "user/controls/dialog_navigation.h"

#include <algorithm>
#include <vector>

#include "user/desktop.h"
#include "user/controls/dialog_state.h"

namespace ce::user {

namespace {

DWORD StyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
}

// Judged by the style rather than by what is on screen, so that it also holds for a dialog that
// is not shown yet.
bool IsTabStop(HWND control) {
    const DWORD style = StyleOf(control);
    return (style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE);
}

std::vector<HWND> TabStops(HWND dialog) {
    std::vector<HWND> stops = CurrentDesktop()->Windows().ChildrenOf(dialog);
    std::erase_if(stops, [](HWND control) { return !IsTabStop(control); });
    return stops;
}

LRESULT DialogCodeOf(HWND control) {
    return SendMessageW(control, WM_GETDLGCODE, 0, 0);
}

bool IsPushButton(HWND control) {
    return (DialogCodeOf(control) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

bool IsDialogControl(HWND dialog, HWND window) {
    return window != nullptr && window != dialog &&
           CurrentDesktop()->Windows().IsSelfOrDescendant(dialog, window);
}

HWND FirstTabStop(HWND dialog) {
    const auto stops = TabStops(dialog);
    return stops.empty() ? nullptr : stops.front();
}

void SetDialogFocus(HWND dialog, HWND control) {
    if ((DialogCodeOf(control) & DLGC_HASSETSEL) != 0) {
        SendMessageW(control, EM_SETSEL, 0, -1);
    }
    WriteDialogSlot(dialog, DialogSlot::kFocus, reinterpret_cast<LONG_PTR>(control));
    SetFocus(control);
}

void SaveDialogFocus(HWND dialog) {
    HWND focus = GetFocus();
    if (IsDialogControl(dialog, focus)) {
        WriteDialogSlot(dialog, DialogSlot::kFocus, reinterpret_cast<LONG_PTR>(focus));
    }
}

void RestoreDialogFocus(HWND dialog) {
    if (IsDialogControl(dialog, GetFocus())) {
        return;
    }
    auto saved = reinterpret_cast<HWND>(ReadDialogSlot(dialog, DialogSlot::kFocus));
    if (!IsDialogControl(dialog, saved)) {
        saved = FirstTabStop(dialog);
    }
    if (saved != nullptr) {
        WriteDialogSlot(dialog, DialogSlot::kFocus, reinterpret_cast<LONG_PTR>(saved));
        SetFocus(saved);
    }
}

void MoveDialogFocus(HWND dialog, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(lParam) != 0) {
        auto control = reinterpret_cast<HWND>(wParam);
        if (IsDialogControl(dialog, control)) {
            SetDialogFocus(dialog, control);
        }
        return;
    }
    const auto stops = TabStops(dialog);
    if (stops.empty()) {
        return;
    }
    const auto count = static_cast<std::ptrdiff_t>(stops.size());
    const auto current = std::find(stops.begin(), stops.end(), GetFocus());
    std::ptrdiff_t next = 0;
    if (current == stops.end()) {
        next = wParam == 0 ? 0 : count - 1;
    } else {
        const std::ptrdiff_t step = wParam == 0 ? 1 : count - 1;
        next = (current - stops.begin() + step) % count;
    }
    SetDialogFocus(dialog, stops[static_cast<std::size_t>(next)]);
}

int DefaultCommand(HWND dialog, HWND* control) {
    HWND focus = GetFocus();
    if (IsDialogControl(dialog, focus) && IsPushButton(focus)) {
        *control = focus;
        return static_cast<int>(GetWindowLongPtrW(focus, GWLP_ID));
    }
    for (HWND child : CurrentDesktop()->Windows().ChildrenOf(dialog)) {
        if ((DialogCodeOf(child) & DLGC_DEFPUSHBUTTON) != 0) {
            *control = child;
            return static_cast<int>(GetWindowLongPtrW(child, GWLP_ID));
        }
    }
    *control = GetDlgItem(dialog, IDOK);
    return IDOK;
}

}  // namespace ce::user
