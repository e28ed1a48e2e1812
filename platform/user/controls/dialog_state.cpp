#include "user/controls/dialog_state.h"

#include "user/desktop.h"

namespace ce::user {

LONG_PTR ReadDialogSlot(HWND dialog, DialogSlot slot) {
    return GetWindowLongPtrW(dialog, static_cast<int>(slot));
}

void WriteDialogSlot(HWND dialog, DialogSlot slot, LONG_PTR value) {
    SetWindowLongPtrW(dialog, static_cast<int>(slot), value);
}

bool IsDialogWindow(HWND window) {
    auto record = CurrentDesktop()->Windows().Find(window);
    if (!record) {
        return false;
    }
    const std::u16string name = FoldClassName(record->m_class->m_name);
    return name == FoldClassName(kDialogClassName) || name == FoldClassName(kMessageBoxClassName);
}

}  // namespace ce::user
