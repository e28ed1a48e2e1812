// What a tool's command line asks for: a run with the options it gave, the help, the version, or
// nothing but the reason it cannot be taken. Each tool parses its own options into one.
#pragma once

#include <string>
#include <utility>

namespace brevanta::tools {

template <typename Options>
struct CommandLine {
    enum class Action { kRun, kHelp, kVersion, kError };
    Action action = Action::kError;
    Options options;
    std::string error;

    static CommandLine Fail(std::string reason) {
        CommandLine result;
        result.error = std::move(reason);
        return result;
    }
};

}  // namespace brevanta::tools
