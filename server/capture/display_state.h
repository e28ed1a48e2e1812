// The display as the last capture setup measured it. Written only by capture setup on the
// window's thread; the receive thread reads the size to scale pointer positions and the sending
// side reads the mode byte, so each value is an atomic.
#pragma once

#include <atomic>
#include <cstdint>

#include "net/viewer_protocol.h"

// 240x320 until the first capture setup measures the screen.
struct DisplayState {
    std::atomic<std::int32_t> width{240};
    std::atomic<std::int32_t> height{320};
    std::atomic<signed char> mode{kScreenModeBeforeSetup};
};
