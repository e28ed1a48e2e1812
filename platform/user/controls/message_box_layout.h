// Where the parts of a message box go: the icon at the top left, the wrapped text beside it and
// the buttons centred below, the whole as small as its text allows and within the screen.
#pragma once

#include <functional>
#include <vector>

#include "windef.h"

namespace ce::user {

struct MessageBoxMeasures {
    SIZE screen{};
    // What the caption and borders add to the client area.
    SIZE frame{};
    // Empty without an icon.
    SIZE icon{};
    SIZE button{};
    int buttonCount = 1;
    // The size of the text wrapped at most maxWidth pixels wide.
    std::function<SIZE(int maxWidth)> measureText;
};

struct MessageBoxLayout {
    SIZE client{};
    RECT icon{};
    RECT text{};
    std::vector<RECT> buttons;
};

inline constexpr int kMessageBoxMargin = 8;

MessageBoxLayout LayOutMessageBox(const MessageBoxMeasures& measures);

}  // namespace ce::user
