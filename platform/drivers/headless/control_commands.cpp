#include <charconv>
#include <optional>
#include <vector>

#include "drivers/headless/control_server.h"
#include "drivers/headless/headless_driver.h"
#include "drivers/headless/ppm.h"
#include "kernel/utf.h"

namespace ce::drivers {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < line.size()) {
        const auto end = line.find(' ', start);
        const auto stop = end == std::string_view::npos ? line.size() : end;
        if (stop > start) {
            words.push_back(line.substr(start, stop - start));
        }
        start = stop + 1;
    }
    return words;
}

std::optional<long> Number(std::string_view word) {
    long value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || end != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

std::string Utf8(const std::u16string& text) {
    std::string result(text.size() * 3, '\0');
    const auto converted = kernel::Utf16ToUtf8(text, result.data(), result.size(), false);
    result.resize(converted.length);
    return result;
}

std::string Pointer(HeadlessDriver& driver, std::span<const InputEvent::Kind> kinds,
                    const std::vector<std::string_view>& words) {
    const auto x = words.size() == 3 ? Number(words[1]) : std::nullopt;
    const auto y = words.size() == 3 ? Number(words[2]) : std::nullopt;
    if (!x || !y) {
        return "error expected X Y";
    }
    for (InputEvent::Kind kind : kinds) {
        InputEvent event;
        event.kind = kind;
        event.screen = POINT{static_cast<LONG>(*x), static_cast<LONG>(*y)};
        if (!driver.Inject(event)) {
            return "error no window system is listening";
        }
    }
    return "ok";
}

std::string Key(HeadlessDriver& driver, const std::vector<std::string_view>& words) {
    const auto key = words.size() == 3 ? Number(words[1]) : std::nullopt;
    const auto character = words.size() == 3 ? Number(words[2]) : std::nullopt;
    if (!key || !character || *key <= 0 || *key > 0xFF || *character < 0 || *character > 0xFFFF) {
        return "error expected VK CHAR";
    }
    InputEvent down;
    down.kind = InputEvent::Kind::kKeyDown;
    down.virtualKey = static_cast<UINT>(*key);
    down.character = static_cast<char16_t>(*character);
    InputEvent up = down;
    up.kind = InputEvent::Kind::kKeyUp;
    up.character = 0;
    if (!driver.Inject(down) || !driver.Inject(up)) {
        return "error no window system is listening";
    }
    return "ok";
}

std::string Describe(const std::vector<TopLevelWindow>& windows) {
    std::string answer = "ok\n";
    for (const TopLevelWindow& window : windows) {
        answer += std::to_string(window.id) + ' ' + Utf8(window.className) + '|' +
                  Utf8(window.title) + '|' + std::to_string(window.rect.left) + ' ' +
                  std::to_string(window.rect.top) + ' ' + std::to_string(window.rect.right) + ' ' +
                  std::to_string(window.rect.bottom) + '\n';
    }
    return answer;
}

std::string Children(HeadlessDriver& driver, const std::vector<std::string_view>& words) {
    const auto id = words.size() == 2 ? Number(words[1]) : std::nullopt;
    if (!id || *id <= 0) {
        return "error expected ID";
    }
    return Describe(driver.ChildWindows(static_cast<WindowId>(*id)));
}

// "screen [WxH] [orientation 0|90|180|270]": what is not named stays as it is.
std::string Screen(HeadlessDriver& driver, const std::vector<std::string_view>& words) {
    SIZE size = driver.ScreenSize();
    DisplayRotation rotation = driver.ScreenRotation();
    std::size_t next = 1;
    if (next < words.size() && words[next] != "orientation") {
        const auto parsed = ParseScreenSize(words[next]);
        if (!parsed) {
            return "error expected WxH";
        }
        size = *parsed;
        ++next;
    }
    if (next < words.size()) {
        const auto degrees = next + 2 == words.size() ? Number(words[next + 1]) : std::nullopt;
        if (!degrees || (*degrees != 0 && *degrees != 90 && *degrees != 180 && *degrees != 270)) {
            return "error expected orientation 0|90|180|270";
        }
        rotation = static_cast<DisplayRotation>(*degrees / 90);
        next += 2;
    }
    if (next == 1) {
        return "error expected WxH or orientation";
    }
    driver.ChangeScreen(size, rotation);
    return "ok";
}

}  // namespace

std::string RunControlCommand(HeadlessDriver& driver, std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const auto words = Words(line);
    if (words.empty()) {
        return "error empty command";
    }
    using Kind = InputEvent::Kind;
    const std::string_view command = words[0];
    if (command == "tap") {
        static constexpr Kind kTap[] = {Kind::kPointerDown, Kind::kPointerUp};
        return Pointer(driver, kTap, words);
    }
    if (command == "down" || command == "move" || command == "up") {
        const Kind kind = command == "down"   ? Kind::kPointerDown
                          : command == "move" ? Kind::kPointerMove
                                              : Kind::kPointerUp;
        return Pointer(driver, std::span(&kind, 1), words);
    }
    if (command == "key") {
        return Key(driver, words);
    }
    if (command == "screenshot") {
        const auto start = line.find(' ');
        const std::string path(start == std::string_view::npos ? "" : line.substr(start + 1));
        if (path.empty()) {
            return "error expected PATH";
        }
        std::string reason;
        if (!WritePpm(*driver.CopyScreen(), path, &reason)) {
            return "error " + reason;
        }
        return "ok";
    }
    if (command == "screen") {
        return Screen(driver, words);
    }
    if (command == "windows") {
        return Describe(driver.VisibleWindows());
    }
    if (command == "children") {
        return Children(driver, words);
    }
    return "error unknown command " + std::string(command);
}

}  // namespace ce::drivers
