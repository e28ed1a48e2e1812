// The fixed measures of the window system, shared by GetSystemMetrics and the non-client area.
#pragma once

namespace ce::user {

inline constexpr int kCaptionHeight = 20;
inline constexpr int kBorderWidth = 1;
inline constexpr int kDialogFrameWidth = 3;
inline constexpr int kIconSize = 32;
inline constexpr int kSmallIconSize = 16;
inline constexpr int kScrollBarWidth = 13;

}  // namespace ce::user
