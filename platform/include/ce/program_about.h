// What a program of this platform says about itself when asked from a shell. The programs read
// no command line; the process entry answers a lone --version or --help from this, before the
// program starts, so that asking never opens a window or a socket. Each program that links the
// process entry defines it.
#pragma once

namespace ce {

struct ProgramAbout {
    const char* name;
    const char* version;
    const char* help;  // the whole text, ending in a newline
};

extern const ProgramAbout kProgramAbout;

}  // namespace ce
