// Window classes: the registry behind RegisterClassW and the class record windows keep.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "winuser.h"

namespace ce::user {

// A registered class. Immutable once registered: windows hold it for their whole life, so a
// class unregistered while its last window goes away stays valid for that window.
struct WindowClass {
    std::u16string m_name;
    ATOM m_atom = 0;
    UINT m_style = 0;
    WNDPROC m_procedure = nullptr;
    int m_windowExtraBytes = 0;
    HINSTANCE m_instance = nullptr;
    HICON m_icon = nullptr;
    HCURSOR m_cursor = nullptr;
    HBRUSH m_background = nullptr;
};

// Class names compare case-insensitively in ASCII, as on the device. One process is one module
// here, so the instance handle does not take part in the name.
std::u16string FoldClassName(std::u16string_view name);

// A class name argument is either a string or an atom in the low word (MAKEINTATOM).
bool IsAtomName(LPCWSTR name);

class ClassRegistry {
public:
    // Null with ERROR_CLASS_ALREADY_EXISTS when the name is taken.
    std::shared_ptr<const WindowClass> Register(WindowClass windowClass);
    // Null when no class has that name or atom.
    std::shared_ptr<const WindowClass> Find(LPCWSTR name) const;
    void Remove(const WindowClass& windowClass);

private:
    // Atoms of registered classes start where the device starts its string atoms.
    static constexpr ATOM kFirstAtom = 0xC000;

    mutable std::mutex m_mutex;
    std::map<std::u16string, std::shared_ptr<const WindowClass>> m_byFoldedName;
    ATOM m_nextAtom = kFirstAtom;
};

}  // namespace ce::user
