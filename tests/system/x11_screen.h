// A test's own view of an X display: the windows a program mapped, pixels of the root window, and
// pointer and key input sent through XTest as a user would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client_under_test.h"

struct _XDisplay;

namespace brevanta::test {

class X11Screen {
public:
    explicit X11Screen(const std::string& display);
    ~X11Screen();
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;

    bool Connected() const { return m_display != nullptr; }
    // Mapped top-level windows whose WM_CLASS class is the given one (any, when empty), top
    // first, with their titles as text.
    std::vector<ShownWindow> MappedWindows(const std::string& className);
    // The root window's pixels, as 8-bit channels.
    std::optional<Screenshot> Capture();
    void Click(int x, int y);
    // Presses and releases the key that types the character.
    void Type(char character);
    void PressKey(unsigned long keysym);

private:
    _XDisplay* m_display = nullptr;
};

}  // namespace brevanta::test
