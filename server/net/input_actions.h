// What accepted input records do: absolute mouse input and a request for a screen update. The
// program injects into the device and asks its window; tests record.
#pragma once

#include <windows.h>

class InputActions {
public:
    virtual ~InputActions() = default;
    // mouse_event with the flags and the absolute position (0..65535 across the screen).
    virtual void MouseEvent(DWORD flags, DWORD x, DWORD y) = 0;
    // Returns once the update has been captured and sent.
    virtual void RequestUpdate() = 0;
};
