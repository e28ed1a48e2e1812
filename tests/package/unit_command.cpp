#include "unit_command.h"

#include <map>
#include <sstream>

namespace brevanta::test {
namespace {

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

// NAME=value, with the quotes of a quoted value dropped.
void Assign(const std::string& assignment, std::map<std::string, std::string>& environment) {
    const auto equals = assignment.find('=');
    if (equals == std::string::npos) {
        return;
    }
    std::string value = assignment.substr(equals + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    environment[assignment.substr(0, equals)] = value;
}

}  // namespace

std::optional<std::vector<std::string>> ServiceCommandLine(
    const std::string& unitText,
    const std::function<std::optional<std::string>(const std::string&)>& readFile) {
    std::map<std::string, std::string> environment;
    std::optional<std::string> execStart;
    std::istringstream unit(unitText);
    std::string line;
    // Environment files are read after every Environment= line, whatever their order.
    std::vector<std::string> files;
    while (std::getline(unit, line)) {
        const auto equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (key == "Environment") {
            for (const std::string& assignment : Words(value)) {
                Assign(assignment, environment);
            }
        } else if (key == "EnvironmentFile") {
            files.push_back(value);
        } else if (key == "ExecStart") {
            execStart = value;
        }
    }
    for (std::string file : files) {
        const bool optional = file.starts_with("-");
        const auto text = readFile(optional ? file.substr(1) : file);
        if (!text) {
            if (!optional) {
                return std::nullopt;
            }
            continue;
        }
        std::istringstream lines(*text);
        while (std::getline(lines, line)) {
            if (!line.empty() && line.front() != '#') {
                Assign(line, environment);
            }
        }
    }
    if (!execStart) {
        return std::nullopt;
    }
    std::vector<std::string> command;
    for (std::string word : Words(*execStart)) {
        if (word.starts_with("$") && !word.starts_with("${")) {
            for (const std::string& part : Words(environment[word.substr(1)])) {
                command.push_back(part);
            }
            continue;
        }
        for (auto start = word.find("${"); start != std::string::npos; start = word.find("${")) {
            const auto end = word.find('}', start);
            if (end == std::string::npos) {
                break;
            }
            word.replace(start, end + 1 - start,
                         environment[word.substr(start + 2, end - start - 2)]);
        }
        command.push_back(word);
    }
    return command;
}

}  // namespace brevanta::test
