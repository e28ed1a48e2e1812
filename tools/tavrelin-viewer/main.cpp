// tavrelin-viewer: shows and drives the screen of a Tavrelin display server, in an X window or
// from a script.
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "interactive.h"
#include "common/whole_file.h"
#include "exit_codes.h"
#include "options.h"
#include "output.h"
#include "script.h"
#include "script_runner.h"
#include "session.h"

namespace brevanta::viewer {
namespace {

using tools::ReadWholeFile;

int Run(int argc, char** argv) {
    std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const char* programName = argc > 0 ? argv[0] : "tavrelin-viewer";
    CommandLine commandLine = ParseCommandLine(args);
    if (commandLine.action == CommandLine::Action::kHelp) {
        std::fputs(UsageText(programName).c_str(), stdout);
        return 0;
    }
    if (commandLine.action == CommandLine::Action::kVersion) {
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    }
    if (commandLine.action == CommandLine::Action::kError) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", programName, commandLine.error.c_str(),
                     programName);
        return kExitUsage;
    }
    const Options& options = commandLine.options;

    // The script is checked whole before anything is sent.
    std::optional<std::vector<Command>> commands;
    std::optional<std::string> scriptText = options.script;
    if (options.scriptFile) {
        scriptText = ReadWholeFile(*options.scriptFile);
        if (!scriptText) {
            std::fprintf(stderr, "%s: cannot read %s\n", programName, options.scriptFile->c_str());
            return kExitUsage;
        }
    }
    if (scriptText) {
        std::string error;
        commands = ParseScript(*scriptText, &error);
        if (!commands) {
            std::fprintf(stderr, "%s: script: %s\n", programName, error.c_str());
            return kExitUsage;
        }
    }

    SessionConfig config;
    config.host = options.host;
    config.port = options.port;
    config.connectTimeout = std::chrono::milliseconds(options.connectTimeoutMs);
    // The window waits for its device however long it takes.
    config.reconnect = options.reconnect || !commands;
    config.pollInterval = std::chrono::milliseconds(options.pollMs);
    config.fallbackSize = options.size;
    config.rateLines = options.stats;
    Session session(config);
    if (commands) {
        if (!session.Connect()) {
            EmitLine("error " + session.Error());
            return kExitCannotConnect;
        }
        ScriptRunner runner(session, options);
        return runner.Run(*commands);
    }
    return RunInteractive(session, options);
}

}  // namespace
}  // namespace brevanta::viewer

int main(int argc, char** argv) {
    try {
        return brevanta::viewer::Run(argc, argv);
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "tavrelin-viewer: %s\n", exception.what());
    } catch (...) {
        std::fprintf(stderr, "tavrelin-viewer: unexpected failure\n");
    }
    return 1;
}
