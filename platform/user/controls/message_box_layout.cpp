#include "user/controls/message_box_layout.h"

#include <algorithm>

namespace ce::user {

MessageBoxLayout LayOutMessageBox(const MessageBoxMeasures& measures) {
    constexpr int kMargin = kMessageBoxMargin;
    const bool hasIcon = measures.icon.cx > 0;
    const int iconPart = hasIcon ? measures.icon.cx + kMargin : 0;
    const int maxClientWidth = std::max(measures.screen.cx - measures.frame.cx, 0);
    const int maxClientHeight = std::max(measures.screen.cy - measures.frame.cy, 0);
    const SIZE text = measures.measureText(std::max(maxClientWidth - 2 * kMargin - iconPart, 1));

    const int count = std::max(measures.buttonCount, 0);
    const int buttonsWidth = count * measures.button.cx + std::max(count - 1, 0) * kMargin;
    const int contentHeight = std::max<int>(measures.icon.cy, text.cy);

    MessageBoxLayout layout;
    layout.client.cx =
        std::min(std::max<int>(2 * kMargin + iconPart + text.cx, 2 * kMargin + buttonsWidth),
                 maxClientWidth);
    layout.client.cy = std::min(3 * kMargin + contentHeight + measures.button.cy, maxClientHeight);

    if (hasIcon) {
        layout.icon =
            RECT{kMargin, kMargin, kMargin + measures.icon.cx, kMargin + measures.icon.cy};
    }
    // A text shorter than the icon sits level with the icon's middle; a text taller than the
    // screen allows is cut at the buttons.
    const int textTop = kMargin + std::max<int>((measures.icon.cy - text.cy) / 2, 0);
    const int buttonTop = layout.client.cy - kMargin - measures.button.cy;
    layout.text = RECT{kMargin + iconPart, textTop,
                       std::min<int>(kMargin + iconPart + text.cx, layout.client.cx - kMargin),
                       std::min(textTop + text.cy, buttonTop - kMargin)};

    int x = (layout.client.cx - buttonsWidth) / 2;
    for (int index = 0; index < count; ++index) {
        layout.buttons.push_back(
            RECT{x, buttonTop, x + measures.button.cx, buttonTop + measures.button.cy});
        x += measures.button.cx + kMargin;
    }
    return layout;
}

}  // namespace ce::user
