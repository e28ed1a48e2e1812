#include "capture/display_state.h"

std::atomic<std::int32_t> g_screenWidth{240};
std::atomic<std::int32_t> g_screenHeight{320};
std::atomic<signed char> g_screenMode{0x30};
