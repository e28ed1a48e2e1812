// What Tavrelin answers to --version and --help.
#include <ce/program_about.h>

#include "res/resource.h"

namespace ce {

const ProgramAbout kProgramAbout{"Tavrelin", TAVRELIN_VERSION_TEXT, R"(Usage: Tavrelin

The remote display server of a touch device. It takes no options: it shows a small control
window (Start, Stop, Exit, the device's address and the version) and serves one viewer at a
time on TCP port 23134, which sees the screen and drives the pointer. One instance runs per
display.

Any host that reaches port 23134 sees and drives the device: run it only on a network of
its own.

Environment:
  CE_DISPLAY            x11, kms or headless (default: x11 when DISPLAY reaches a
                        server, else headless)
  CE_SCREEN             headless screen size WxH (default 272x480)
  CE_HEADLESS_CONTROL   UNIX socket that drives a headless run
  CE_OBJECTS_DIR        folder of named objects (the single-instance mutex)

  --version             show the version and end
  --help                show this text and end

See Tavrelin(1).
)"};

}  // namespace ce
