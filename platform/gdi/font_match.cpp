#include "gdi/font_match.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "kernel/utf.h"

namespace ce::gdi {

namespace {

constexpr const char* kWineFontFolder = "/usr/share/wine/fonts";
constexpr std::u16string_view kFallbackFamily = u"DejaVu Sans";

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

const FcChar8* AsFc(const std::string& text) {
    return reinterpret_cast<const FcChar8*>(text.c_str());
}

std::string FromFc(const FcChar8* text) {
    return reinterpret_cast<const char*>(text);
}

bool SameName(const std::string& a, const std::string& b) {
    return FcStrCmpIgnoreCase(AsFc(a), AsFc(b)) == 0;
}

// fontconfig's best match for the pattern; it always answers something while any font exists.
Pattern BestMatch(const std::string& family, bool bold, bool italic) {
    Pattern pattern(FcPatternCreate());
    if (!pattern) {
        return nullptr;
    }
    FcPatternAddString(pattern.get(), FC_FAMILY, AsFc(family));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    return Pattern(FcFontMatch(nullptr, pattern.get(), &result));
}

bool HasFamily(FcPattern* match, const std::string& family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (SameName(FromFc(name), family)) {
            return true;
        }
    }
    return false;
}

std::optional<FontFile> ToFontFile(FcPattern* match) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) != FcResultMatch) {
        return std::nullopt;
    }
    FontFile file;
    file.path = FromFc(path);
    FcPatternGetInteger(match, FC_INDEX, 0, &file.index);
    FcChar8* family = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch) {
        file.family = FromFc(family);
    }
    return file;
}

// fontconfig and the answers it gave. Never destroyed, so that threads still drawing while the
// process ends find it; fontconfig itself is released at exit.
struct Matcher {
    std::mutex mutex;
    bool started = false;
    bool released = false;
    std::map<std::tuple<std::string, bool, bool>, std::optional<FontFile>> matches;
};

Matcher& TheMatcher() {
    static auto* const matcher = new Matcher;
    return *matcher;
}

// fontconfig holds its configuration where a leak checker cannot follow it: releasing it at exit
// keeps sanitizer runs of every program quiet. Later matches find nothing.
void ReleaseFontconfig() {
    Matcher& matcher = TheMatcher();
    std::lock_guard lock(matcher.mutex);
    matcher.released = true;
    FcFini();
}

// Under the matcher's lock.
bool Start(Matcher& matcher) {
    if (!matcher.started && !matcher.released) {
        if (FcInit() == FcFalse) {
            return false;
        }
        matcher.started = true;
        std::atexit(ReleaseFontconfig);
        std::error_code error;
        if (std::filesystem::is_directory(kWineFontFolder, error)) {
            FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(kWineFontFolder));
        }
    }
    return matcher.started && !matcher.released;
}

std::optional<FontFile> Match(const std::string& family, bool bold, bool italic) {
    Pattern match = BestMatch(family, bold, italic);
    if (match && HasFamily(match.get(), family)) {
        return ToFontFile(match.get());
    }
    const std::string fallback = *kernel::Utf16ToUtf8Strict(kFallbackFamily);
    Pattern fallbackMatch = BestMatch(fallback, bold, italic);
    if (fallbackMatch) {
        return ToFontFile(fallbackMatch.get());
    }
    return match ? ToFontFile(match.get()) : std::nullopt;
}

}  // namespace

std::optional<FontFile> MatchFontFile(std::u16string_view face, bool bold, bool italic) {
    const std::string family = kernel::Utf16ToUtf8Strict(face).value_or("");
    std::string folded = family;
    std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    Matcher& matcher = TheMatcher();
    std::lock_guard lock(matcher.mutex);
    if (!Start(matcher)) {
        return std::nullopt;
    }
    const auto key = std::make_tuple(folded, bold, italic);
    if (const auto found = matcher.matches.find(key); found != matcher.matches.end()) {
        return found->second;
    }
    auto file = Match(family, bold, italic);
    matcher.matches.emplace(key, file);
    return file;
}

}  // namespace ce::gdi
