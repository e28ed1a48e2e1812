#include "script.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <span>

namespace brevanta::viewer {
namespace {

constexpr std::uint32_t kMaxCoordinate = 65535;
constexpr std::uint32_t kMaxTaps = 100'000;
constexpr std::uint32_t kMaxDragSteps = 1000;
constexpr int kDefaultQuietMs = 300;
constexpr int kDefaultDragSteps = 8;

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) {
            ++i;
        }
        std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

std::optional<int> Ms(std::string_view text) {
    std::optional<std::uint32_t> value = ParseNumber(text, 0, kMaxMs);
    return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

// Points from pairs of words; false when a word is not a coordinate.
bool ParsePoints(std::span<const std::string_view> words, std::vector<Point>* points) {
    for (std::size_t i = 0; i + 1 < words.size(); i += 2) {
        std::optional<std::uint32_t> x = ParseNumber(words[i], 0, kMaxCoordinate);
        std::optional<std::uint32_t> y = ParseNumber(words[i + 1], 0, kMaxCoordinate);
        if (!x || !y) {
            return false;
        }
        points->push_back({static_cast<std::uint16_t>(*x), static_cast<std::uint16_t>(*y)});
    }
    return words.size() % 2 == 0;
}

std::optional<std::vector<std::uint8_t>> ParseHex(std::span<const std::string_view> words) {
    std::vector<std::uint8_t> bytes;
    for (std::string_view word : words) {
        if (word.size() % 2 != 0) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < word.size(); i += 2) {
            unsigned value = 0;
            auto [end, error] = std::from_chars(word.data() + i, word.data() + i + 2, value, 16);
            if (error != std::errc() || end != word.data() + i + 2) {
                return std::nullopt;
            }
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
    }
    if (bytes.empty()) {
        return std::nullopt;
    }
    return bytes;
}

// Fills the command from the words after its name; false when they do not fit.
using ArgumentParser = std::function<bool(std::span<const std::string_view>, Command&)>;

ArgumentParser NoArguments() {
    return [](std::span<const std::string_view> args, Command&) { return args.empty(); };
}

ArgumentParser OptionalTimeout() {
    return [](std::span<const std::string_view> args, Command& command) {
        if (args.size() > 1) {
            return false;
        }
        if (args.size() == 1) {
            command.timeoutMs = Ms(args[0]);
            return command.timeoutMs.has_value();
        }
        return true;
    };
}

ArgumentParser OnePoint() {
    return [](std::span<const std::string_view> args, Command& command) {
        return args.size() == 2 && ParsePoints(args, &command.points);
    };
}

const std::map<std::string_view, std::pair<CommandKind, ArgumentParser>>& Grammar() {
    static const std::map<std::string_view, std::pair<CommandKind, ArgumentParser>> table = {
        {"wait-frame", {CommandKind::kWaitFrame, OptionalTimeout()}},
        {"wait-update", {CommandKind::kWaitUpdate, OptionalTimeout()}},
        {"expect-update", {CommandKind::kExpectUpdate, OptionalTimeout()}},
        {"wait-closed", {CommandKind::kWaitClosed, OptionalTimeout()}},
        {"wait-idle",
         {CommandKind::kWaitIdle,
          [](std::span<const std::string_view> args, Command& command) {
              command.durationMs = kDefaultQuietMs;
              if (args.size() > 2) {
                  return false;
              }
              if (!args.empty()) {
                  std::optional<int> quiet = Ms(args[0]);
                  if (!quiet || *quiet == 0) {
                      return false;
                  }
                  command.durationMs = *quiet;
              }
              if (args.size() == 2) {
                  command.timeoutMs = Ms(args[1]);
              }
              return args.size() < 2 || command.timeoutMs.has_value();
          }}},
        {"wait",
         {CommandKind::kWait,
          [](std::span<const std::string_view> args, Command& command) {
              std::optional<int> ms = args.size() == 1 ? Ms(args[0]) : std::nullopt;
              command.durationMs = ms.value_or(0);
              return ms.has_value();
          }}},
        {"snapshot",
         {CommandKind::kSnapshot,
          [](std::span<const std::string_view> args, Command& command) {
              if (args.size() != 1) {
                  return false;
              }
              command.path = std::string(args[0]);
              return true;
          }}},
        {"tap", {CommandKind::kTap, OnePoint()}},
        {"move", {CommandKind::kMove, OnePoint()}},
        {"down", {CommandKind::kDown, OnePoint()}},
        {"up", {CommandKind::kUp, OnePoint()}},
        {"right-tap", {CommandKind::kRightTap, OnePoint()}},
        {"right-down", {CommandKind::kRightDown, OnePoint()}},
        {"right-up", {CommandKind::kRightUp, OnePoint()}},
        {"drag",
         {CommandKind::kDrag,
          [](std::span<const std::string_view> args, Command& command) {
              if (args.size() != 4 && args.size() != 5) {
                  return false;
              }
              command.count = kDefaultDragSteps;
              if (args.size() == 5) {
                  std::optional<std::uint32_t> steps = ParseNumber(args[4], 1, kMaxDragSteps);
                  if (!steps) {
                      return false;
                  }
                  command.count = static_cast<int>(*steps);
              }
              return ParsePoints(args.first(4), &command.points);
          }}},
        {"request", {CommandKind::kRequest, NoArguments()}},
        {"stats", {CommandKind::kStats, NoArguments()}},
        {"raw",
         {CommandKind::kRaw,
          [](std::span<const std::string_view> args, Command& command) {
              std::optional<std::vector<std::uint8_t>> bytes = ParseHex(args);
              command.bytes = bytes.value_or(std::vector<std::uint8_t>{});
              return bytes.has_value();
          }}},
        {"expect-mode",
         {CommandKind::kExpectMode,
          [](std::span<const std::string_view> args, Command& command) {
              std::optional<std::uint32_t> mode =
                  args.size() == 1 ? ParseNumber(args[0], 0, 255) : std::nullopt;
              command.value = mode.value_or(0);
              return mode.has_value();
          }}},
        {"expect-size",
         {CommandKind::kExpectSize,
          [](std::span<const std::string_view> args, Command& command) {
              std::optional<ScreenSize> size = args.size() == 1 ? ParseSize(args[0]) : std::nullopt;
              command.size = size.value_or(ScreenSize{});
              return size.has_value();
          }}},
        {"expect-pixel",
         {CommandKind::kExpectPixel,
          [](std::span<const std::string_view> args, Command& command) {
              std::optional<std::uint32_t> color =
                  args.size() == 3 ? ParseNumber(args[2], 0, 0xFFFF) : std::nullopt;
              command.value = color.value_or(0);
              return color.has_value() && ParsePoints(args.first(2), &command.points);
          }}},
        {"tap-latency",
         {CommandKind::kTapLatency,
          [](std::span<const std::string_view> args, Command& command) {
              std::optional<std::uint32_t> count =
                  args.size() >= 3 ? ParseNumber(args[0], 1, kMaxTaps) : std::nullopt;
              command.count = static_cast<int>(count.value_or(0));
              return count.has_value() && ParsePoints(args.subspan(1), &command.points);
          }}},
    };
    return table;
}

}  // namespace

std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t low,
                                         std::uint32_t high) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<Command>> ParseScript(std::string_view text, std::string* error) {
    std::vector<Command> commands;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(";\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view piece = text.substr(start, end - start);
        std::vector<std::string_view> words = SplitWords(piece);
        if (!words.empty() && words[0].starts_with("#")) {
            // A comment runs to the end of its line, separators and all.
            end = std::min(text.size(), text.find('\n', start));
        }
        start = end + 1;
        if (words.empty() || words[0].starts_with("#")) {
            continue;
        }
        const auto entry = Grammar().find(words[0]);
        Command command;
        const std::span<const std::string_view> args = std::span(words).subspan(1);
        if (entry == Grammar().end()) {
            *error = "unknown command \"" + std::string(words[0]) + "\"";
            return std::nullopt;
        }
        command.kind = entry->second.first;
        // Keep the command as written, with blanks collapsed, for output and messages.
        for (std::string_view word : words) {
            if (!command.text.empty()) {
                command.text += ' ';
            }
            command.text.append(word);
        }
        if (!entry->second.second(args, command)) {
            *error = "bad arguments in \"" + command.text + "\"";
            return std::nullopt;
        }
        commands.push_back(std::move(command));
    }
    return commands;
}

}  // namespace brevanta::viewer
