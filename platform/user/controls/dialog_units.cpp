#include "user/controls/dialog_units.h"

#include <algorithm>
#include <cstdint>

#include "winbase.h"

#include "kernel/api_boundary.h"
#include "user/controls/dialog_measure_dc.h"
#include "user/controls/dialog_state.h"

namespace ce::user {

namespace {

constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;
constexpr WCHAR kLatinLetters[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

HFONT CreateTemplateFont(const DialogTemplate& dialogTemplate) {
    if ((dialogTemplate.style & DS_SETFONT) == 0) {
        return nullptr;
    }
    LOGFONTW font{};
    font.lfHeight = -MulDiv(dialogTemplate.fontPointSize, kScreenDpi, kPointsPerInch);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    if (dialogTemplate.fontFace != nullptr) {
        const std::u16string_view face(dialogTemplate.fontFace);
        std::copy_n(face.begin(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1),
                    font.lfFaceName);
    }
    return CreateFontIndirectW(&font);
}

DialogBaseUnits MeasureBaseUnits(HFONT font) {
    MeasureDc dc(font);
    SIZE letters{};
    TEXTMETRICW metrics{};
    GetTextExtentPoint32W(dc.Get(), kLatinLetters, 52, &letters);
    GetTextMetricsW(dc.Get(), &metrics);
    return DialogBaseUnits{(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

RECT DialogUnitsToPixels(const RECT& rect, DialogBaseUnits units) {
    return RECT{MulDiv(rect.left, units.x, 4), MulDiv(rect.top, units.y, 8),
                MulDiv(rect.right, units.x, 4), MulDiv(rect.bottom, units.y, 8)};
}

// 16 bits each, so that the pair fits a LONG_PTR of 32 bits too; base units are a font's
// pixel sizes, far below that.
LONG_PTR PackBaseUnits(DialogBaseUnits units) {
    const auto part = [](int value) {
        return static_cast<std::uint32_t>(std::clamp(value, 0, 0xFFFF));
    };
    return static_cast<LONG_PTR>(part(units.x) | part(units.y) << 16);
}

DialogBaseUnits UnpackBaseUnits(LONG_PTR packed) {
    const auto bits = static_cast<std::uint32_t>(packed);
    return DialogBaseUnits{static_cast<int>(bits & 0xFFFF), static_cast<int>(bits >> 16)};
}

}  // namespace ce::user

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    using namespace ce::user;
    return ce::kernel::GuardedCall<BOOL>(FALSE, [&]() -> BOOL {
        if (rect == nullptr || !IsDialogWindow(dialog)) {
            SetLastError(rect == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        *rect = DialogUnitsToPixels(
            *rect, UnpackBaseUnits(ReadDialogSlot(dialog, DialogSlot::kBaseUnits)));
        return TRUE;
    });
}
