// Message maps. A class that handles messages declares DECLARE_MESSAGE_MAP() in its body and
// lists its entries between BEGIN_MESSAGE_MAP(theClass, baseClass) and END_MESSAGE_MAP() in its
// source file. A window looks a message up in its class's map, then in the base maps up to
// CWnd's; the first entry that matches handles it, and a message no entry handles goes to the
// window's default processing.
//
// Each entry holds a small function that casts the target to the class named in
// BEGIN_MESSAGE_MAP and calls the handler with the parameters taken apart, so a handler of the
// wrong signature does not compile, and protected or private handlers are reachable because
// the function is written inside a member of that class. ON_MESSAGE and ON_COMMAND take a
// pointer to the member: ON_MESSAGE(WM_APP + 1, &CMyDlg::OnSomething).
#pragma once

#include <type_traits>

#include "windef.h"

class CCmdTarget;
class CWnd;
struct CPoint;

using AFX_PMSG = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nID;  // the command id of a WM_COMMAND entry
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define afx_msg

// Parameter cracking shared by the entries.
CPoint AfxPointFromLParam(LPARAM lParam);
CWnd* AfxWndFromLParam(LPARAM lParam);

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                         \
        return GetThisMessageMap();                                             \
    }                                                                           \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                           \
        using ThisClass = theClass;                                             \
        using TheBaseClass = baseClass;                                         \
        static_assert(std::is_base_of_v<TheBaseClass, ThisClass>,               \
                      "the base of a message map must be a base of its class"); \
        static constexpr AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                        \
    { 0, 0, nullptr }                                                                            \
    }                                                                                            \
    ;                                                                                            \
    static constexpr AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, messageEntries}; \
    return &messageMap;                                                                          \
    }

#define AFX_MSG_ENTRY(message, id, call)                                     \
    {message, id,                                                            \
     [](CCmdTarget* target, [[maybe_unused]] WPARAM wParam,                  \
        [[maybe_unused]] LPARAM lParam) -> LRESULT {                         \
         [[maybe_unused]] ThisClass* self = static_cast<ThisClass*>(target); \
         call;                                                               \
     }},

#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, 0, self->OnPaint(); return 0)
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, 0, self->OnDestroy(); return 0)
#define ON_WM_LBUTTONDOWN()                                                                   \
    AFX_MSG_ENTRY(WM_LBUTTONDOWN, 0,                                                          \
                  self->OnLButtonDown(static_cast<UINT>(wParam), AfxPointFromLParam(lParam)); \
                  return 0)
#define ON_WM_LBUTTONUP()                                                                   \
    AFX_MSG_ENTRY(WM_LBUTTONUP, 0,                                                          \
                  self->OnLButtonUp(static_cast<UINT>(wParam), AfxPointFromLParam(lParam)); \
                  return 0)
#define ON_WM_MOUSEMOVE()                                                                   \
    AFX_MSG_ENTRY(WM_MOUSEMOVE, 0,                                                          \
                  self->OnMouseMove(static_cast<UINT>(wParam), AfxPointFromLParam(lParam)); \
                  return 0)
#define ON_WM_TIMER() \
    AFX_MSG_ENTRY(WM_TIMER, 0, self->OnTimer(static_cast<UINT_PTR>(wParam)); return 0)
#define ON_WM_ACTIVATE()                                                     \
    AFX_MSG_ENTRY(WM_ACTIVATE, 0,                                            \
                  self->OnActivate(LOWORD(wParam), AfxWndFromLParam(lParam), \
                                   HIWORD(wParam) != 0 ? TRUE : FALSE);      \
                  return 0)
#define ON_WM_SIZE()                                                                       \
    AFX_MSG_ENTRY(WM_SIZE, 0,                                                              \
                  self->OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); \
                  return 0)
#define ON_MESSAGE(message, memberFxn)                                                            \
    AFX_MSG_ENTRY(message, 0,                                                                     \
                  return (self->*static_cast<LRESULT (ThisClass::*)(WPARAM, LPARAM)>(memberFxn))( \
                      wParam, lParam))
// Matches WM_COMMAND with the id and a notification code of 0 (a click, a menu item, the
// dialog keys) or 1 (an accelerator).
#define ON_COMMAND(id, memberFxn)                                                           \
    AFX_MSG_ENTRY(WM_COMMAND, id, (self->*static_cast<void (ThisClass::*)()>(memberFxn))(); \
                  return 0)
