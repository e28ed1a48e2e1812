// The display as the last capture setup measured it. Written only by capture setup on the
// window's thread; the receive thread reads the size to scale pointer positions and the sending
// side reads the mode byte, so each value is an atomic.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<std::int32_t> g_screenWidth;
extern std::atomic<std::int32_t> g_screenHeight;
extern std::atomic<signed char> g_screenMode;
