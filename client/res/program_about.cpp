// What BrevantaClient answers to --version and --help.
#include <ce/program_about.h>

namespace ce {

const ProgramAbout kProgramAbout{"BrevantaClient", "1.0.0.1", R"(Usage: BrevantaClient

The provisioning client of a touch device. It takes no options: it opens its full-screen
window, looks for a provisioning server by UDP broadcast every second, and on SYNC NOW
downloads kelmaris.cab beside its own program file, records date, time and size in
brevantaclient.txt there and hands the package to xdg-open. Once that record holds a comma,
the program quits at start: a device is provisioned once.

It broadcasts as soon as its window opens: run it only on the network it provisions.

Environment:
  CE_DISPLAY            x11, kms or headless (default: x11 when DISPLAY reaches a
                        server, else headless)
  CE_SCREEN             headless screen size WxH (default 272x480)
  CE_HEADLESS_CONTROL   UNIX socket that drives a headless run
  CE_OBJECTS_DIR        folder of named objects

  --version             show the version and end
  --help                show this text and end

See BrevantaClient(1).
)"};

}  // namespace ce
