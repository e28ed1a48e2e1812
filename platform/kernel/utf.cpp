#include "kernel/utf.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace ce::kernel {

namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;
constexpr std::uint64_t kHighBitOfEachByte = 0x8080808080808080ull;
constexpr std::uint64_t kNonAsciiBitsOfEachUnit = 0xFF80FF80FF80FF80ull;

// Writes code units into a bounded buffer, or only counts them.
template <class Unit, bool kCountOnly>
class Output {
public:
    Output(Unit* buffer, std::size_t capacity) : m_buffer(buffer), m_capacity(capacity) {}

    bool HasRoom(std::size_t count) const { return kCountOnly || m_capacity - m_length >= count; }
    std::size_t Room() const { return kCountOnly ? SIZE_MAX : m_capacity - m_length; }

    // The caller has checked HasRoom.
    void Put(Unit unit) {
        if constexpr (!kCountOnly) {
            m_buffer[m_length] = unit;
        }
        ++m_length;
    }

    // Copies a run of ASCII units of another width; the caller has checked the room. A plain
    // loop over locals, which the compiler turns into vector code.
    template <class Source>
    void PutAscii(const Source* source, std::size_t count) {
        if constexpr (!kCountOnly) {
            Unit* destination = m_buffer + m_length;
            for (std::size_t k = 0; k < count; ++k) {
                destination[k] = static_cast<Unit>(source[k]);
            }
        }
        m_length += count;
    }

    std::size_t Length() const { return m_length; }

private:
    Unit* m_buffer;
    std::size_t m_capacity;
    std::size_t m_length = 0;
};

// The length of the ASCII run at the start of `input`, looked at eight bytes at a time; it may
// stop up to one block short of the real end of the run.
template <class Unit>
std::size_t AsciiRunLength(const Unit* input, std::size_t size) {
    constexpr std::size_t kUnitsPerBlock = 8 / sizeof(Unit);
    constexpr std::uint64_t kNonAsciiBits =
        sizeof(Unit) == 1 ? kHighBitOfEachByte : kNonAsciiBitsOfEachUnit;
    std::size_t length = 0;
    while (size - length >= kUnitsPerBlock) {
        std::uint64_t block = 0;
        std::memcpy(&block, input + length, sizeof block);
        if ((block & kNonAsciiBits) != 0) {
            break;
        }
        length += kUnitsPerBlock;
    }
    return length;
}

ConversionResult Finish(ConversionStatus status, std::size_t length, bool replaced) {
    return ConversionResult{status, length, replaced};
}

template <bool kCountOnly>
ConversionResult DecodeUtf8(const unsigned char* input, std::size_t size, char16_t* buffer,
                            std::size_t capacity, bool failOnInvalid) {
    Output<char16_t, kCountOnly> output(buffer, capacity);
    bool replaced = false;
    std::size_t i = 0;
    while (i < size) {
        // Text is mostly ASCII: copy its runs in bulk.
        const std::size_t run = std::min(AsciiRunLength(input + i, size - i), output.Room());
        output.PutAscii(input + i, run);
        i += run;
        if (i == size) {
            break;
        }

        const unsigned lead = input[i];
        if (lead < 0x80) {
            if (!output.HasRoom(1)) {
                return Finish(ConversionStatus::kBufferTooSmall, output.Length(), replaced);
            }
            output.Put(static_cast<char16_t>(lead));
            ++i;
            continue;
        }

        // The well-formed ranges of the bytes after each lead byte: the second byte's range is
        // narrowed to exclude overlong forms, surrogates and values over U+10FFFF.
        std::size_t trailing = 0;
        unsigned lower = 0x80;
        unsigned upper = 0xBF;
        char32_t codePoint = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trailing = 1;
            codePoint = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trailing = 2;
            codePoint = lead & 0x0Fu;
            lower = lead == 0xE0 ? 0xA0 : 0x80;
            upper = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trailing = 3;
            codePoint = lead & 0x07u;
            lower = lead == 0xF0 ? 0x90 : 0x80;
            upper = lead == 0xF4 ? 0x8F : 0xBF;
        }

        std::size_t next = i + 1;
        bool wellFormed = trailing > 0;
        for (std::size_t k = 0; k < trailing; ++k, ++next) {
            if (next == size || input[next] < lower || input[next] > upper) {
                wellFormed = false;
                break;
            }
            codePoint = (codePoint << 6) | (input[next] & 0x3Fu);
            lower = 0x80;
            upper = 0xBF;
        }
        // An ill-formed sequence ends before the first byte that cannot continue it (its maximal
        // subpart), and the next sequence starts at that byte.
        i = next;

        if (!wellFormed) {
            if (failOnInvalid) {
                return Finish(ConversionStatus::kInvalidInput, output.Length(), replaced);
            }
            if (!output.HasRoom(1)) {
                return Finish(ConversionStatus::kBufferTooSmall, output.Length(), replaced);
            }
            output.Put(kReplacementCharacter);
            replaced = true;
        } else if (codePoint < 0x10000) {
            if (!output.HasRoom(1)) {
                return Finish(ConversionStatus::kBufferTooSmall, output.Length(), replaced);
            }
            output.Put(static_cast<char16_t>(codePoint));
        } else {
            if (!output.HasRoom(2)) {
                return Finish(ConversionStatus::kBufferTooSmall, output.Length(), replaced);
            }
            const char32_t offset = codePoint - 0x10000;
            output.Put(static_cast<char16_t>(0xD800 + (offset >> 10)));
            output.Put(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        }
    }
    return Finish(ConversionStatus::kOk, output.Length(), replaced);
}

template <bool kCountOnly>
ConversionResult EncodeUtf8(const char16_t* input, std::size_t size, char* buffer,
                            std::size_t capacity, bool failOnInvalid,
                            std::string_view replacement) {
    Output<char, kCountOnly> output(buffer, capacity);
    bool replaced = false;
    std::size_t i = 0;
    while (i < size) {
        const std::size_t run = std::min(AsciiRunLength(input + i, size - i), output.Room());
        output.PutAscii(input + i, run);
        i += run;
        if (i == size) {
            break;
        }

        const char32_t unit = input[i];
        char32_t codePoint = unit;
        std::size_t length = 0;
        if (unit < 0x80) {
            length = 1;
        } else if (unit < 0x800) {
            length = 2;
        } else if (unit < 0xD800 || unit > 0xDFFF) {
            length = 3;
        } else if (unit <= 0xDBFF && i + 1 < size && input[i + 1] >= 0xDC00 &&
                   input[i + 1] <= 0xDFFF) {
            codePoint = 0x10000 + ((unit - 0xD800) << 10) + (input[i + 1] - 0xDC00u);
            length = 4;
        }

        if (length == 0) {
            if (failOnInvalid) {
                return Finish(ConversionStatus::kInvalidInput, output.Length(), replaced);
            }
            if (!output.HasRoom(replacement.size())) {
                return Finish(ConversionStatus::kBufferTooSmall, output.Length(), replaced);
            }
            for (const char byte : replacement) {
                output.Put(byte);
            }
            replaced = true;
            ++i;
            continue;
        }
        if (!output.HasRoom(length)) {
            return Finish(ConversionStatus::kBufferTooSmall, output.Length(), replaced);
        }
        switch (length) {
            case 1:
                output.Put(static_cast<char>(codePoint));
                break;
            case 2:
                output.Put(static_cast<char>(0xC0 | (codePoint >> 6)));
                output.Put(static_cast<char>(0x80 | (codePoint & 0x3F)));
                break;
            case 3:
                output.Put(static_cast<char>(0xE0 | (codePoint >> 12)));
                output.Put(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
                output.Put(static_cast<char>(0x80 | (codePoint & 0x3F)));
                break;
            default:
                output.Put(static_cast<char>(0xF0 | (codePoint >> 18)));
                output.Put(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
                output.Put(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
                output.Put(static_cast<char>(0x80 | (codePoint & 0x3F)));
                break;
        }
        i += length == 4 ? 2 : 1;
    }
    return Finish(ConversionStatus::kOk, output.Length(), replaced);
}

}  // namespace

ConversionResult Utf8ToUtf16(std::string_view input, char16_t* output, std::size_t capacity,
                             bool failOnInvalid) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(input.data());
    return output == nullptr
               ? DecodeUtf8<true>(bytes, input.size(), nullptr, 0, failOnInvalid)
               : DecodeUtf8<false>(bytes, input.size(), output, capacity, failOnInvalid);
}

ConversionResult Utf16ToUtf8(std::u16string_view input, char* output, std::size_t capacity,
                             bool failOnInvalid, std::string_view replacement) {
    return output == nullptr ? EncodeUtf8<true>(input.data(), input.size(), nullptr, 0,
                                                failOnInvalid, replacement)
                             : EncodeUtf8<false>(input.data(), input.size(), output, capacity,
                                                 failOnInvalid, replacement);
}

// UTF-8 never needs more than three bytes per UTF-16 unit, and UTF-16 never more units than UTF-8
// has bytes, so one pass into a buffer of that size does.
std::optional<std::string> Utf16ToUtf8Strict(std::u16string_view input) {
    std::string text(input.size() * 3, '\0');
    const auto result = Utf16ToUtf8(input, text.data(), text.size(), true);
    if (result.status != ConversionStatus::kOk) {
        return std::nullopt;
    }
    text.resize(result.length);
    return text;
}

std::optional<std::u16string> Utf8ToUtf16Strict(std::string_view input) {
    std::u16string text(input.size(), u'\0');
    const auto result = Utf8ToUtf16(input, text.data(), text.size(), true);
    if (result.status != ConversionStatus::kOk) {
        return std::nullopt;
    }
    text.resize(result.length);
    return text;
}

std::u16string Utf8ToUtf16Lossy(std::string_view input) {
    std::u16string text(input.size(), u'\0');
    const auto result = Utf8ToUtf16(input, text.data(), text.size(), false);
    text.resize(result.length);
    return text;
}

}  // namespace ce::kernel
