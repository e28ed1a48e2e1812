// UTF-8 <-> UTF-16 conversion shared by the code page functions and the file name mapping.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ce::kernel {

enum class ConversionStatus {
    kOk,
    kInvalidInput,    // ill-formed input while failing on it was asked for
    kBufferTooSmall,  // the output did not fit
};

struct ConversionResult {
    ConversionStatus status = ConversionStatus::kOk;
    std::size_t length = 0;  // code units written, or needed when only counting
    bool replaced = false;   // some ill-formed input became a replacement
};

// UTF-8 to UTF-16. Each maximal ill-formed subpart (a bad byte, a truncated or overlong sequence,
// an encoded surrogate, a value over U+10FFFF) becomes one U+FFFD, or stops the conversion when
// failOnInvalid is set. With a null output only the needed length is counted.
ConversionResult Utf8ToUtf16(std::string_view input, char16_t* output, std::size_t capacity,
                             bool failOnInvalid);

// UTF-16 to UTF-8. A lone surrogate becomes `replacement` (U+FFFD unless given), or stops the
// conversion when failOnInvalid is set. With a null output only the needed length is counted.
ConversionResult Utf16ToUtf8(std::u16string_view input, char* output, std::size_t capacity,
                             bool failOnInvalid, std::string_view replacement = "\xEF\xBF\xBD");

// Whole-string forms. The strict one yields nothing for ill-formed input.
std::optional<std::string> Utf16ToUtf8Strict(std::u16string_view input);
std::optional<std::u16string> Utf8ToUtf16Strict(std::string_view input);
std::u16string Utf8ToUtf16Lossy(std::string_view input);

}  // namespace ce::kernel
