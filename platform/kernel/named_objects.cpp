#include "kernel/named_objects.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "kernel/utf.h"

namespace ce::kernel {

namespace {

// Longest escaped name kept readable; file names end at 255 bytes.
constexpr std::size_t kMaxReadableName = 200;

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

std::uint64_t Digest(std::string_view text) {
    std::uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a
    for (const unsigned char c : text) {
        hash = (hash ^ c) * 0x100000001B3u;
    }
    return hash;
}

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string Escape(std::string_view bytes) {
    std::string escaped;
    for (const unsigned char c : bytes) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (plain) {
            escaped.push_back(static_cast<char>(c));
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            escaped += code;
        }
    }
    return escaped;
}

// ":1" and ":1.0" are the same display.
std::string_view WithoutScreen(std::string_view display) {
    const auto colon = display.rfind(':');
    const auto dot = display.rfind('.');
    if (colon != std::string_view::npos && dot != std::string_view::npos && dot > colon) {
        return display.substr(0, dot);
    }
    return display;
}

bool MakeDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

ObjectsEnvironment ObjectsEnvironmentOfProcess() {
    return ObjectsEnvironment{std::getenv("CE_OBJECTS_DIR"), std::getenv("CE_DISPLAY"),
                              std::getenv("DISPLAY"), std::getenv("CE_HEADLESS_CONTROL"),
                              static_cast<unsigned>(::getuid())};
}

std::string NamedObjectsDirectory(const ObjectsEnvironment& environment) {
    if (IsSet(environment.objectsDir)) {
        return environment.objectsDir;
    }
    const std::string_view chosen = IsSet(environment.ceDisplay) ? environment.ceDisplay : "";
    const bool x11 = chosen != "headless" && chosen != "kms" && IsSet(environment.display);
    std::string key;
    if (chosen == "kms") {
        // The machine's one DRM display.
        key = "kms";
    } else if (x11) {
        key = "x11-" + Escape(WithoutScreen(environment.display));
    } else if (IsSet(environment.headlessControl)) {
        key = "headless-" + Hex(Digest(environment.headlessControl));
    } else {
        key = "headless";
    }
    return "/tmp/ce-objects-" + std::to_string(environment.userId) + "/" + key;
}

std::string FileNameOf(std::string_view prefix, std::u16string_view name) {
    std::string bytes;
    if (auto utf8 = Utf16ToUtf8Strict(name)) {
        bytes = std::move(*utf8);
    } else {
        // A name with a lone surrogate: its 16-bit units as they are.
        for (const char16_t unit : name) {
            bytes.push_back(static_cast<char>(unit & 0xFFu));
            bytes.push_back(static_cast<char>(unit >> 8));
        }
    }
    std::string escaped = Escape(bytes);
    if (escaped.size() > kMaxReadableName) {
        escaped = "%digest-" + Hex(Digest(bytes));
    }
    return std::string(prefix) + escaped;
}

bool EnsureDirectory(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectory(path.substr(0, slash))) {
        return false;
    }
    return MakeDirectory(path);
}

}  // namespace ce::kernel
