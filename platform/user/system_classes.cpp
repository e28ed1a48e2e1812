#include "user/system_classes.h"

#include "user/controls/button.h"
#include "user/controls/dialog_state.h"
#include "user/controls/edit_control.h"
#include "user/controls/message_box_window.h"
#include "user/controls/static_control.h"
#include "user/window_class.h"

namespace ce::user {

namespace {

void Register(ClassRegistry& classes, LPCWSTR name, WNDPROC procedure, int extraBytes) {
    WindowClass windowClass;
    windowClass.m_name = name;
    windowClass.m_procedure = procedure;
    windowClass.m_windowExtraBytes = extraBytes;
    classes.Register(std::move(windowClass));
}

}  // namespace

// None of them has a class background: each paints its whole client area itself.
void RegisterSystemClasses(ClassRegistry& classes) {
    Register(classes, kDialogClassName, &DefDlgProcW, kDialogExtraBytes);
    Register(classes, kMessageBoxClassName, &MessageBoxProc, kDialogExtraBytes);
    Register(classes, u"BUTTON", &ButtonProc, kButtonExtraBytes);
    Register(classes, u"EDIT", &EditControlProc, 0);
    Register(classes, u"STATIC", &StaticProc, kStaticExtraBytes);
}

}  // namespace ce::user
