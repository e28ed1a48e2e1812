#include "app/control_layout.h"

namespace {

constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 18;
constexpr int kButtonPitch = 28;
constexpr int kButtonColumnHeight = kButtonHeight + 2 * kButtonPitch;
constexpr int kLineHeight = 18;
constexpr int kStatusWidth = 150;
constexpr int kMargin = 5;

// Appends text at *length, stopping one short of the capacity for the terminator.
void Append(WCHAR (&line)[kAddressLineCapacity], int& length, LPCWSTR text) {
    for (; *text != 0 && length < kAddressLineCapacity - 1; ++text) {
        line[length++] = *text;
    }
    line[length] = 0;
}

}  // namespace

ControlLayout LayoutControls(const RECT& client) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int x0 = (width - kButtonWidth) / 2;
    const int y0 = (height - kButtonColumnHeight) / 2;
    ControlLayout layout{};
    layout.start = {x0, y0, kButtonWidth, kButtonHeight};
    layout.stop = {x0, y0 + kButtonPitch, kButtonWidth, kButtonHeight};
    layout.exit = {x0, y0 + 2 * kButtonPitch, kButtonWidth, kButtonHeight};
    layout.addressLine = {kMargin, kMargin, client.right - 2 * kMargin, kLineHeight};
    layout.statusLine = {client.right - kStatusWidth - kMargin,
                         client.bottom - kLineHeight - kMargin, kStatusWidth, kLineHeight};
    return layout;
}

void ComposeAddressLine(WCHAR (&line)[kAddressLineCapacity], LPCWSTR ownAddress, LPCWSTR version) {
    int length = 0;
    line[0] = 0;
    Append(line, length, TEXT("IP: "));
    Append(line, length, ownAddress != nullptr ? ownAddress : TEXT("x.x.x.x"));
    Append(line, length, TEXT(" Version: "));
    Append(line, length, version);
}
