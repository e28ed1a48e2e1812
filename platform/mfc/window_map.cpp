// Which object holds which window, and the wrappers of windows no object holds.
#include <mutex>
#include <unordered_map>

#include "mfc/temporary_map.h"
#include "mfc/window_procedure.h"

namespace ce::mfc {
namespace {

class PermanentMap {
public:
    CWnd* Find(HWND window) {
        std::lock_guard lock(m_mutex);
        auto found = m_objects.find(window);
        return found == m_objects.end() ? nullptr : found->second;
    }
    void Add(HWND window, CWnd* wnd) {
        std::lock_guard lock(m_mutex);
        m_objects[window] = wnd;
    }
    void Remove(HWND window, const CWnd* wnd) {
        std::lock_guard lock(m_mutex);
        if (auto found = m_objects.find(window); found != m_objects.end() && found->second == wnd) {
            m_objects.erase(found);
        }
    }

private:
    std::mutex m_mutex;
    std::unordered_map<HWND, CWnd*> m_objects;
};

// Never destroyed: static CWnd objects (wndTop and friends) may look it up at exit.
PermanentMap& Permanent() {
    static PermanentMap* const map = new PermanentMap;
    return *map;
}

bool IsLiveWindow(HWND window) {
    return IsWindow(window) != FALSE;
}

}  // namespace

void WndAccess::Hold(CWnd& wnd, HWND window) {
    wnd.m_hWnd = window;
    Permanent().Add(window, &wnd);
}

void WndAccess::LetGo(CWnd& wnd) {
    if (wnd.m_hWnd == nullptr) {
        return;
    }
    const HWND window = wnd.m_hWnd;
    const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    if (current == &AfxWndProc && wnd.m_pfnSuper != nullptr) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd.m_pfnSuper));
    }
    Permanent().Remove(window, &wnd);
    wnd.m_hWnd = nullptr;
    wnd.m_pfnSuper = nullptr;
}

}  // namespace ce::mfc

CWnd::~CWnd() {
    if (m_hWnd == nullptr || FromHandlePermanent(m_hWnd) != this) {
        return;
    }
    ::DestroyWindow(m_hWnd);
    ce::mfc::WndAccess::LetGo(*this);
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return hWnd == nullptr ? nullptr : ce::mfc::Permanent().Find(hWnd);
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) {
        return nullptr;
    }
    if (CWnd* permanent = FromHandlePermanent(hWnd)) {
        return permanent;
    }
    thread_local ce::mfc::TemporaryMap<CWnd, HWND> temporaries(&CWnd::m_hWnd,
                                                               &ce::mfc::IsLiveWindow);
    return temporaries.Get(hWnd);
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (m_hWnd != nullptr || hWnd == nullptr || FromHandlePermanent(hWnd) != nullptr) {
        return FALSE;
    }
    const LONG_PTR previous =
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ce::mfc::AfxWndProc));
    if (previous == 0) {
        return FALSE;
    }
    m_pfnSuper = reinterpret_cast<WNDPROC>(previous);
    ce::mfc::WndAccess::Hold(*this, hWnd);
    return TRUE;
}
