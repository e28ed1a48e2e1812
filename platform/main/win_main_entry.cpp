// The process entry of a program on this platform: the program's WinMain runs with its module
// handle, no previous instance, its command line and SW_SHOW, and its result is the exit code.
#include <ce/program_about.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

int main(int argc, char** argv) {
    // Only a lone --version or --help is answered here; any other command line reaches the
    // program, which ignores it as before.
    if (argc == 2) {
        const std::string_view question = argv[1];
        if (question == "--version") {
            std::printf("%s %s\n", ce::kProgramAbout.name, ce::kProgramAbout.version);
            return 0;
        }
        if (question == "--help") {
            std::fputs(ce::kProgramAbout.help, stdout);
            return 0;
        }
    }
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        commandLine += argv[i];
    }
    return WinMain(GetModuleHandleW(nullptr), nullptr, commandLine.data(), SW_SHOW);
}
