#include "user/controls/edit_control.h"

#include <algorithm>
#include <string_view>

#include "user/controls/dialog_controls.h"
#include "user/controls/edit_control_state.h"

namespace ce::user {

namespace {

std::u16string_view TextArgument(LPARAM lParam) {
    const auto* text = reinterpret_cast<LPCWSTR>(lParam);
    return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

void SetViewWidth(HWND window, EditState& state) {
    RECT client{};
    GetClientRect(window, &client);
    state.m_model.SetViewWidth(client.right - 2 * kEditMarginX);
}

// A change of the text by the user or the program: the window's own text follows (so that every
// way of reading it agrees), the control repaints and the parent hears of it.
void TextChanged(HWND window, const EditState& state) {
    DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(state.m_model.Text().c_str()));
    InvalidateRect(window, nullptr, FALSE);
    NotifyParent(window, EN_CHANGE);
}

// After a key or a tap the caret shows at once and the blink starts over.
void CaretMoved(HWND window, EditState& state) {
    if (state.m_focused) {
        state.m_caretShown = true;
        SetTimer(window, kCaretTimerId, kCaretBlinkMs, nullptr);
    }
    InvalidateRect(window, nullptr, FALSE);
}

void Edited(HWND window, EditState& state, bool changed) {
    if (changed) {
        TextChanged(window, state);
    }
    CaretMoved(window, state);
}

bool HandleKey(EditState& state, WPARAM key) {
    EditModel& model = state.m_model;
    switch (key) {
        case VK_LEFT:
            model.MoveLeft();
            return false;
        case VK_RIGHT:
            model.MoveRight();
            return false;
        case VK_HOME:
            model.MoveHome();
            return false;
        case VK_END:
            model.MoveEnd();
            return false;
        case VK_DELETE:
            return model.DeleteForward();
        default:
            return false;
    }
}

LRESULT GetSelection(const EditModel& model, WPARAM wParam, LPARAM lParam) {
    const auto start = static_cast<DWORD>(model.SelectionStart());
    const auto end = static_cast<DWORD>(model.SelectionEnd());
    if (auto* startOut = reinterpret_cast<DWORD*>(wParam); startOut != nullptr) {
        *startOut = start;
    }
    if (auto* endOut = reinterpret_cast<DWORD*>(lParam); endOut != nullptr) {
        *endOut = end;
    }
    return static_cast<DWORD>(
        MAKELONG(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF)));
}

LRESULT CopyText(const std::u16string& text, WPARAM capacity, LPARAM buffer) {
    auto* out = reinterpret_cast<LPWSTR>(buffer);
    if (out == nullptr || capacity == 0) {
        return 0;
    }
    const std::size_t count = std::min<std::size_t>(text.size(), capacity - 1);
    std::copy_n(text.begin(), count, out);
    out[count] = u'\0';
    return static_cast<LRESULT>(count);
}

LRESULT HandleMessage(HWND window, EditState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    EditModel& model = state.m_model;
    switch (message) {
        case WM_CREATE:
        case WM_SIZE:
            SetViewWidth(window, state);
            return 0;
        case WM_SETFONT:
            state.m_font = reinterpret_cast<HFONT>(wParam);
            model.SetMeasure(MeasureWithFont(state.m_font));
            if (LOWORD(lParam) != 0) {
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state.m_font);
        case WM_SETTEXT:
            if (model.SetText(TextArgument(lParam))) {
                TextChanged(window, state);
            }
            CaretMoved(window, state);
            return TRUE;
        case WM_GETTEXT:
            return CopyText(model.Text(), wParam, lParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(model.Text().size());
        case WM_CHAR:
            Edited(window, state, model.TypeCharacter(static_cast<char16_t>(wParam)));
            return 0;
        case WM_KEYDOWN:
            Edited(window, state, HandleKey(state, wParam));
            return 0;
        case WM_LBUTTONDOWN:
            if (GetFocus() != window) {
                SetFocus(window);
            }
            model.PlaceCaretAt(PointOf(lParam).x - kEditMarginX);
            CaretMoved(window, state);
            return 0;
        case WM_SETFOCUS:
            state.m_focused = true;
            CaretMoved(window, state);
            NotifyParent(window, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            state.m_focused = false;
            state.m_caretShown = false;
            KillTimer(window, kCaretTimerId);
            InvalidateRect(window, nullptr, FALSE);
            NotifyParent(window, EN_KILLFOCUS);
            return 0;
        case WM_TIMER:
            if (wParam == kCaretTimerId) {
                state.m_caretShown = !state.m_caretShown && state.m_focused;
                InvalidateRect(window, nullptr, FALSE);
                return 0;
            }
            break;
        case WM_ENABLE:
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
        case EM_GETSEL:
            return GetSelection(model, wParam, lParam);
        case EM_SETSEL:
            model.Select(static_cast<long>(static_cast<LONG_PTR>(wParam)),
                         static_cast<long>(lParam));
            CaretMoved(window, state);
            return 0;
        case EM_REPLACESEL:
            Edited(window, state, model.ReplaceSelection(TextArgument(lParam)));
            return 0;
        case EM_LIMITTEXT:
            model.SetLimit(wParam);
            return 0;
        case WM_ERASEBKGND:
            // WM_PAINT fills the whole control with the parent's brush.
            return 1;
        case WM_PAINT:
            PaintEdit(window, state);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK EditControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const bool autoScroll = (static_cast<DWORD>(create->style) & ES_AUTOHSCROLL) != 0;
        EditState& state = CreateEditState(window, autoScroll);
        if (create->lpszName != nullptr) {
            state.m_model.SetText(create->lpszName);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        DeleteEditState(window);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    EditState* state = FindEditState(window);
    if (state == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return HandleMessage(window, *state, message, wParam, lParam);
}

}  // namespace ce::user
