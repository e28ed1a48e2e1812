#include "user/window_class.h"

#include <utility>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/desktop.h"

namespace ce::user {

std::u16string FoldClassName(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& c : folded) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return folded;
}

bool IsAtomName(LPCWSTR name) {
    return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF;
}

std::shared_ptr<const WindowClass> ClassRegistry::Register(WindowClass windowClass) {
    std::u16string folded = FoldClassName(windowClass.m_name);
    std::lock_guard lock(m_mutex);
    if (m_byFoldedName.contains(folded)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return nullptr;
    }
    // Atoms come from a counter; only after it runs out are the atoms of removed classes reused.
    ATOM atom = m_nextAtom;
    auto atomInUse = [this](ATOM candidate) {
        for (const auto& [name, registered] : m_byFoldedName) {
            if (registered->m_atom == candidate) {
                return true;
            }
        }
        return false;
    };
    if (atom == 0) {
        atom = kFirstAtom;
        while (atom != 0 && atomInUse(atom)) {
            ++atom;
        }
        if (atom == 0) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    } else {
        ++m_nextAtom;
    }
    windowClass.m_atom = atom;
    auto registered = std::make_shared<const WindowClass>(std::move(windowClass));
    m_byFoldedName.emplace(std::move(folded), registered);
    return registered;
}

std::shared_ptr<const WindowClass> ClassRegistry::Find(LPCWSTR name) const {
    if (name == nullptr) {
        return nullptr;
    }
    std::lock_guard lock(m_mutex);
    if (IsAtomName(name)) {
        const auto atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
        for (const auto& [folded, registered] : m_byFoldedName) {
            if (registered->m_atom == atom) {
                return registered;
            }
        }
        return nullptr;
    }
    auto found = m_byFoldedName.find(FoldClassName(name));
    return found == m_byFoldedName.end() ? nullptr : found->second;
}

void ClassRegistry::Remove(const WindowClass& windowClass) {
    std::lock_guard lock(m_mutex);
    auto found = m_byFoldedName.find(FoldClassName(windowClass.m_name));
    if (found != m_byFoldedName.end() && found->second.get() == &windowClass) {
        m_byFoldedName.erase(found);
    }
}

}  // namespace ce::user

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<ATOM>(0, [&]() -> ATOM {
        if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
            IsAtomName(windowClass->lpszClassName) || windowClass->lpszClassName[0] == u'\0' ||
            windowClass->lpfnWndProc == nullptr || windowClass->cbWndExtra < 0 ||
            windowClass->cbClsExtra < 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        WindowClass record;
        record.m_name = windowClass->lpszClassName;
        record.m_style = windowClass->style;
        record.m_procedure = windowClass->lpfnWndProc;
        record.m_windowExtraBytes = windowClass->cbWndExtra;
        record.m_instance = windowClass->hInstance;
        record.m_icon = windowClass->hIcon;
        record.m_cursor = windowClass->hCursor;
        record.m_background = windowClass->hbrBackground;
        auto registered = CurrentDesktop()->Classes().Register(std::move(record));
        return registered ? registered->m_atom : ATOM{0};
    });
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        auto desktop = CurrentDesktop();
        auto windowClass = desktop->Classes().Find(className);
        if (!windowClass) {
            SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
            return FALSE;
        }
        if (desktop->Windows().AnyOfClass(*windowClass)) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
        desktop->Classes().Remove(*windowClass);
        return TRUE;
    });
}
