// System colours the programs do not name but the window system draws with.
#pragma once

namespace ce::user {

inline constexpr int kColorInactiveCaption = 3;
inline constexpr int kColorWindowFrame = 6;
inline constexpr int kColorInactiveCaptionText = 19;

}  // namespace ce::user
