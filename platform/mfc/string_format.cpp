#include "mfc/string_format.h"

#include <cstdint>
#include <cstring>

#include "winnls.h"

namespace ce::mfc {
namespace {

struct Directive {
    bool leftAlign = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;  // -1: none given
    char16_t size = 0;   // 0, u'h' or u'l'
    char16_t conversion = 0;
};

bool IsDigit(char16_t ch) {
    return ch >= u'0' && ch <= u'9';
}

// Reads a run of decimal digits; stops growing at a size no text can have.
int ReadNumber(const char16_t*& cursor) {
    int value = 0;
    while (IsDigit(*cursor)) {
        if (value < 100000) {
            value = value * 10 + (*cursor - u'0');
        }
        ++cursor;
    }
    return value;
}

// Parses the conversion after a '%'; false when the text ends before a conversion character.
bool ParseDirective(const char16_t*& cursor, Directive& directive) {
    for (;; ++cursor) {
        if (*cursor == u'-') {
            directive.leftAlign = true;
        } else if (*cursor == u'0') {
            directive.zeroPad = true;
        } else {
            break;
        }
    }
    directive.width = ReadNumber(cursor);
    if (*cursor == u'.') {
        ++cursor;
        directive.precision = ReadNumber(cursor);
    }
    if (*cursor == u'h' || *cursor == u'l') {
        directive.size = *cursor++;
    }
    if (*cursor == u'\0') {
        return false;
    }
    directive.conversion = *cursor++;
    return true;
}

void AppendPadded(std::u16string& out, const Directive& directive, std::u16string_view body) {
    const std::size_t width = static_cast<std::size_t>(directive.width);
    const std::size_t padding = body.size() < width ? width - body.size() : 0;
    if (!directive.leftAlign) {
        out.append(padding, u' ');
    }
    out.append(body);
    if (directive.leftAlign) {
        out.append(padding, u' ');
    }
}

void AppendInteger(std::u16string& out, const Directive& directive, std::uint64_t magnitude,
                   bool negative) {
    const bool hex = directive.conversion == u'x' || directive.conversion == u'X';
    const char* digitSet = directive.conversion == u'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    const unsigned base = hex ? 16 : 10;
    std::u16string digits;
    while (magnitude != 0) {
        digits.insert(digits.begin(), static_cast<char16_t>(digitSet[magnitude % base]));
        magnitude /= base;
    }
    // A precision is the minimum number of digits; without one, zero shows as "0".
    const std::size_t minimumDigits =
        directive.precision < 0 ? 1 : static_cast<std::size_t>(directive.precision);
    if (digits.size() < minimumDigits) {
        digits.insert(0, minimumDigits - digits.size(), u'0');
    }
    const std::u16string sign = negative ? u"-" : u"";
    // The 0 flag pads between sign and digits, unless a precision or left alignment is asked.
    if (directive.zeroPad && !directive.leftAlign && directive.precision < 0) {
        const std::size_t width = static_cast<std::size_t>(directive.width);
        const std::size_t used = sign.size() + digits.size();
        if (used < width) {
            digits.insert(0, width - used, u'0');
        }
    }
    AppendPadded(out, directive, sign + digits);
}

std::u16string WideText(const char16_t* text, int precision) {
    if (text == nullptr) {
        return u"(null)";
    }
    std::size_t length = 0;
    while ((precision < 0 || length < static_cast<std::size_t>(precision)) && text[length] != 0) {
        ++length;
    }
    return std::u16string(text, length);
}

std::u16string NarrowText(const char* text, int precision) {
    if (text == nullptr) {
        return u"(null)";
    }
    const std::size_t length =
        precision < 0 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(precision));
    if (length == 0) {
        return {};
    }
    const int byteCount = static_cast<int>(length);
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, byteCount, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, byteCount, wide.data(), needed);
    return wide;
}

void AppendConversion(std::u16string& out, const Directive& directive, va_list& args) {
    switch (directive.conversion) {
        case u'd':
        case u'i': {
            std::int64_t value = va_arg(args, int);
            if (directive.size == u'h') {
                value = static_cast<short>(value);
            }
            const bool negative = value < 0;
            const std::uint64_t magnitude =
                negative ? static_cast<std::uint64_t>(-value) : static_cast<std::uint64_t>(value);
            AppendInteger(out, directive, magnitude, negative);
            return;
        }
        case u'u':
        case u'x':
        case u'X': {
            unsigned value = va_arg(args, unsigned);
            if (directive.size == u'h') {
                value = static_cast<unsigned short>(value);
            }
            AppendInteger(out, directive, value, false);
            return;
        }
        case u'c': {
            const char16_t ch = static_cast<char16_t>(va_arg(args, int));
            AppendPadded(out, directive, std::u16string_view(&ch, 1));
            return;
        }
        case u's':
            if (directive.size == u'h') {
                AppendPadded(out, directive,
                             NarrowText(va_arg(args, const char*), directive.precision));
            } else {
                AppendPadded(out, directive,
                             WideText(va_arg(args, const char16_t*), directive.precision));
            }
            return;
        case u'S':
            if (directive.size == u'l') {
                AppendPadded(out, directive,
                             WideText(va_arg(args, const char16_t*), directive.precision));
            } else {
                AppendPadded(out, directive,
                             NarrowText(va_arg(args, const char*), directive.precision));
            }
            return;
        case u'%':
            out.push_back(u'%');
            return;
        default:
            break;
    }
}

bool IsKnownConversion(char16_t conversion) {
    return std::u16string_view(u"diuxXcsS%").find(conversion) != std::u16string_view::npos;
}

}  // namespace

void AppendFormatted(std::u16string& out, const char16_t* format, va_list args) {
    if (format == nullptr) {
        return;
    }
    va_list cursorArgs;
    va_copy(cursorArgs, args);
    const char16_t* cursor = format;
    while (*cursor != u'\0') {
        if (*cursor != u'%') {
            out.push_back(*cursor++);
            continue;
        }
        const char16_t* start = cursor++;
        Directive directive;
        if (!ParseDirective(cursor, directive) || !IsKnownConversion(directive.conversion)) {
            out.append(start, cursor);
            continue;
        }
        AppendConversion(out, directive, cursorArgs);
    }
    va_end(cursorArgs);
}

}  // namespace ce::mfc
