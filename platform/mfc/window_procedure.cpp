// The window procedure of the windows MFC holds, and the default processing of a message.
#include "mfc/window_procedure.h"

namespace ce::mfc {
namespace {

thread_local CurrentMessage t_currentMessage;

// Makes a message the thread's current one and restores the outer one afterwards, so that
// Default() in a handler works on its own message even after nested sends.
class CurrentMessageScope {
public:
    explicit CurrentMessageScope(const CurrentMessage& message) : m_outer(t_currentMessage) {
        t_currentMessage = message;
    }
    ~CurrentMessageScope() { t_currentMessage = m_outer; }
    CurrentMessageScope(const CurrentMessageScope&) = delete;
    CurrentMessageScope& operator=(const CurrentMessageScope&) = delete;

private:
    CurrentMessage m_outer;
};

}  // namespace

const CurrentMessage& ThreadCurrentMessage() {
    return t_currentMessage;
}

LRESULT WndAccess::Dispatch(CWnd& wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    {
        CurrentMessageScope scope({window, message, wParam, lParam});
        result = wnd.WindowProc(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        LetGo(wnd);
    }
    return result;
}

LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(window);
    if (wnd == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return WndAccess::Dispatch(*wnd, window, message, wParam, lParam);
}

}  // namespace ce::mfc

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) {
        result = DefWindowProc(message, wParam, lParam);
    }
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr) {
        return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    }
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    const ce::mfc::CurrentMessage& current = ce::mfc::ThreadCurrentMessage();
    return DefWindowProc(current.message, current.wParam, current.lParam);
}
