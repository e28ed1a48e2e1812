#include "user/controls/dialog_create.h"

#include <utility>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/controls/dialog_geometry.h"
#include "user/controls/dialog_navigation.h"
#include "user/controls/dialog_state.h"
#include "user/controls/dialog_units.h"

namespace ce::user {

namespace {

// Positions and sizes convert separately, as the device converts them, so that a control's width
// does not depend on where it is.
struct PixelBox {
    int x;
    int y;
    int width;
    int height;
};

PixelBox ToPixels(short x, short y, short cx, short cy, DialogBaseUnits units) {
    const RECT converted = DialogUnitsToPixels(RECT{x, y, cx, cy}, units);
    return PixelBox{converted.left, converted.top, converted.right, converted.bottom};
}

// Deletes the template's font unless a dialog took it over.
class FontOwner {
public:
    explicit FontOwner(HFONT font) : m_font(font) {}
    ~FontOwner() {
        if (m_font != nullptr) {
            DeleteObject(m_font);
        }
    }
    FontOwner(const FontOwner&) = delete;
    FontOwner& operator=(const FontOwner&) = delete;

    HFONT Get() const { return m_font; }
    HFONT Release() { return std::exchange(m_font, nullptr); }

private:
    HFONT m_font;
};

HWND CreateDialogWindow(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner,
                        PixelBox box) {
    const DWORD style = dialogTemplate.style & ~WS_VISIBLE;
    // A popup's template position counts from its owner's client area.
    POINT origin{0, 0};
    if ((style & WS_CHILD) == 0 && owner != nullptr) {
        ClientToScreen(owner, &origin);
    }
    LPCWSTR title = dialogTemplate.title != nullptr ? dialogTemplate.title : u"";
    return CreateWindowExW(dialogTemplate.exStyle, kDialogClassName, title, style, origin.x + box.x,
                           origin.y + box.y, box.width, box.height, owner, nullptr, instance,
                           nullptr);
}

bool CreateControls(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND dialog,
                    HFONT font, DialogBaseUnits units) {
    for (const DialogItem& item : dialogTemplate.items) {
        const PixelBox box = ToPixels(item.x, item.y, item.cx, item.cy, units);
        LPCWSTR text = item.text != nullptr ? item.text : u"";
        HWND control = CreateWindowExW(
            item.exStyle, item.className, text, item.style, box.x, box.y, box.width, box.height,
            dialog, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance, nullptr);
        if (control == nullptr) {
            return false;
        }
        if (font != nullptr) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
    }
    return true;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(LPCWSTR name) {
    if (name == nullptr || !IS_INTRESOURCE(name)) {
        return nullptr;
    }
    const auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    for (const DialogResource& resource : ProgramResources().dialogs) {
        if (resource.id == id) {
            return resource.dialog;
        }
    }
    return nullptr;
}

HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner,
                              DLGPROC procedure, LPARAM parameter, bool modal) {
    FontOwner font(CreateTemplateFont(dialogTemplate));
    const DialogBaseUnits units = MeasureBaseUnits(font.Get());
    const PixelBox box =
        ToPixels(dialogTemplate.x, dialogTemplate.y, dialogTemplate.cx, dialogTemplate.cy, units);
    HWND dialog = CreateDialogWindow(instance, dialogTemplate, owner, box);
    if (dialog == nullptr) {
        return nullptr;
    }
    WriteDialogSlot(dialog, DialogSlot::kOwnedFont, reinterpret_cast<LONG_PTR>(font.Get()));
    HFONT dialogFont = font.Release();
    WriteDialogSlot(dialog, DialogSlot::kBaseUnits, PackBaseUnits(units));
    SetClientSize(dialog, box.width, box.height);
    if ((dialogTemplate.style & DS_CENTER) != 0) {
        CentreOnScreen(dialog);
    }

    SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));
    if (dialogFont != nullptr) {
        SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), FALSE);
    }
    if (!CreateControls(instance, dialogTemplate, dialog, dialogFont, units)) {
        DestroyWindow(dialog);
        return nullptr;
    }

    HWND first = FirstTabStop(dialog);
    const LRESULT takeFocus =
        SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), parameter);
    if (!IsWindow(dialog)) {
        return nullptr;
    }
    if (takeFocus != 0 && first != nullptr) {
        SetDialogFocus(dialog, first);
    }
    if (!modal && (dialogTemplate.style & WS_VISIBLE) != 0 &&
        ReadDialogSlot(dialog, DialogSlot::kEnded) == 0) {
        ShowWindow(dialog, SW_SHOWNORMAL);
    }
    return dialog;
}

}  // namespace ce::user

HWND CreateDialogIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner,
                                DLGPROC procedure, LPARAM parameter) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<HWND>(nullptr, [&]() -> HWND {
        if (dialogTemplate == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        return CreateDialogFromTemplate(instance, *dialogTemplate, owner, procedure, parameter,
                                        false);
    });
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM parameter) {
    return CreateDialogIndirectParamW(instance, ce::user::FindDialogTemplate(templateName), owner,
                                      procedure, parameter);
}
