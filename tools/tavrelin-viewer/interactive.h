// Interactive mode: the session shown in an X window, driven by the pointer.
#pragma once

#include <string>

#include "options.h"
#include "session.h"

namespace brevanta::viewer {

// Runs until the window is closed or q or Escape is pressed; returns the exit status. The window
// stays open after the server has gone, with the last picture and the reason in its title.
int RunInteractive(Session& session, const Options& options);

}  // namespace brevanta::viewer
