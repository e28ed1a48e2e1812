// tavrelin-web: the web gateway to Tavrelin display servers.
#include <brevanta_version.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "access.h"
#include "common/whole_file.h"
#include "options.h"
#include "web_server.h"

namespace brevanta::web {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFiles = 1;

using tools::ReadWholeFile;

int Run(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const char* programName = argc > 0 ? argv[0] : "tavrelin-web";
    CommandLine commandLine = ParseCommandLine(args);
    switch (commandLine.action) {
        case CommandLine::Action::kHelp:
            std::fputs(UsageText(programName).c_str(), stdout);
            return 0;
        case CommandLine::Action::kVersion:
            std::printf("tavrelin-web %s\n", kVersion);
            return 0;
        case CommandLine::Action::kError:
            std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", programName,
                         commandLine.error.c_str(), programName);
            return kExitUsage;
        case CommandLine::Action::kRun:
            break;
    }
    Options& options = commandLine.options;
    for (const std::string& path : options.configFiles) {
        const std::optional<std::string> text = ReadWholeFile(path);
        std::string error;
        if (!text) {
            std::fprintf(stderr, "%s: cannot read %s\n", programName, path.c_str());
            return kExitFiles;
        }
        if (!ParseDeviceList(*text, &options.devices, &error)) {
            std::fprintf(stderr, "%s: %s: %s\n", programName, path.c_str(), error.c_str());
            return kExitUsage;
        }
    }
    std::string error;
    if (!CheckDevices(options.devices, &error)) {
        std::fprintf(stderr, "%s: %s\n", programName, error.c_str());
        return kExitUsage;
    }

    std::optional<std::string> token;
    if (options.tokenFile) {
        const std::optional<std::string> text = ReadWholeFile(*options.tokenFile);
        if (!text) {
            std::fprintf(stderr, "%s: cannot read %s\n", programName, options.tokenFile->c_str());
            return kExitFiles;
        }
        token = TokenFromFile(*text, &error);
        if (!token) {
            std::fprintf(stderr, "%s: %s: %s\n", programName, options.tokenFile->c_str(),
                         error.c_str());
            return kExitUsage;
        }
    }
    // Beyond this machine the gateway is the only lock on the devices' screens.
    if (!IsLoopbackAddress(options.listen.host) && !token) {
        std::fprintf(stderr,
                     "%s: listening on %s reaches beyond this machine: give an access secret "
                     "with --token-file FILE\n",
                     programName, options.listen.host.c_str());
        return kExitUsage;
    }
    if (!IsLoopbackAddress(options.listen.host) && !options.certFile) {
        std::fprintf(stderr,
                     "%s: warning: without --cert and --key the token and the screens cross "
                     "the network unencrypted\n",
                     programName);
    }
    return RunGateway(options, token);
}

}  // namespace
}  // namespace brevanta::web

int main(int argc, char** argv) {
    try {
        return brevanta::web::Run(argc, argv);
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "tavrelin-web: %s\n", exception.what());
    } catch (...) {
        std::fprintf(stderr, "tavrelin-web: unexpected failure\n");
    }
    return 1;
}
