// The viewer's exit statuses, as its manual page lists them.
#pragma once

namespace brevanta::viewer {

constexpr int kExitFailed = 1;  // a script command failed or the connection broke
constexpr int kExitUsage = 2;
constexpr int kExitCannotConnect = 3;
constexpr int kExitBadFrame = 4;

}  // namespace brevanta::viewer
