#include "gdi/stock_objects.h"

#include <array>

#include "wingdi.h"

#include "gdi/brush.h"
#include "gdi/font.h"
#include "gdi/object_table.h"
#include "kernel/api_boundary.h"

namespace ce::gdi {

namespace {

constexpr int kStockCount = DEFAULT_GUI_FONT + 1;

std::shared_ptr<GdiObject> MakeStockFont(LONG height, LONG weight) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    const std::u16string_view face = u"Tahoma";
    face.copy(font.lfFaceName, face.size());
    return std::make_shared<Font>(font);
}

std::array<std::shared_ptr<GdiObject>, kStockCount> MakeStockObjects() {
    std::array<std::shared_ptr<GdiObject>, kStockCount> stock;
    stock[WHITE_BRUSH] = std::make_shared<Brush>(false, 0xFFFFFF);
    stock[LTGRAY_BRUSH] = std::make_shared<Brush>(false, 0xC0C0C0);
    stock[GRAY_BRUSH] = std::make_shared<Brush>(false, 0x808080);
    stock[DKGRAY_BRUSH] = std::make_shared<Brush>(false, 0x404040);
    stock[BLACK_BRUSH] = std::make_shared<Brush>(false, 0x000000);
    stock[NULL_BRUSH] = std::make_shared<Brush>(true, 0);
    stock[WHITE_PEN] = std::make_shared<Pen>(false, 0xFFFFFF);
    stock[BLACK_PEN] = std::make_shared<Pen>(false, 0x000000);
    stock[NULL_PEN] = std::make_shared<Pen>(true, 0);
    // The device's system font is bold Tahoma of 13 pixels, the dialog font plain 11 pixels.
    stock[SYSTEM_FONT] = MakeStockFont(-13, FW_BOLD);
    stock[DEFAULT_GUI_FONT] = MakeStockFont(-11, FW_NORMAL);
    for (const auto& object : stock) {
        if (object) {
            Objects().Add(object, true);
        }
    }
    return stock;
}

}  // namespace

std::shared_ptr<GdiObject> StockObject(int index) {
    // Never destroyed, like the table that also holds them.
    static const auto* const stock = new auto(MakeStockObjects());
    return index >= 0 && index < kStockCount ? (*stock)[static_cast<std::size_t>(index)] : nullptr;
}

}  // namespace ce::gdi

HGDIOBJ GetStockObject(int object) {
    return ce::kernel::GuardedCall(static_cast<HGDIOBJ>(nullptr), [&]() -> HGDIOBJ {
        const auto stock = ce::gdi::StockObject(object);
        return stock ? stock->Handle() : nullptr;
    });
}
