// The device's code page conversions. The only code pages are UTF-8 and the system code page,
// which is UTF-8 on this platform. Flags other than the two error flags change nothing for UTF-8
// and are ignored.
#include <climits>
#include <cstring>

#include "kernel/api_boundary.h"
#include "kernel/utf.h"
#include "winnls.h"

namespace {

using ce::kernel::ConversionStatus;

bool IsSupportedCodePage(UINT codePage) {
    return codePage == CP_UTF8 || codePage == CP_ACP;
}

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// The result of a conversion as the device reports it.
int Report(const ce::kernel::ConversionResult& result) {
    switch (result.status) {
        case ConversionStatus::kInvalidInput:
            return Fail(ERROR_NO_UNICODE_TRANSLATION);
        case ConversionStatus::kBufferTooSmall:
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        case ConversionStatus::kOk:
            break;
    }
    if (result.length > static_cast<std::size_t>(INT_MAX)) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    return static_cast<int>(result.length);
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteLength,
                        LPWSTR wide, int wideLength) {
    return ce::kernel::GuardedCall<int>(0, [&] {
        if (!IsSupportedCodePage(codePage) || multiByte == nullptr || multiByteLength == 0 ||
            multiByteLength < -1 || wideLength < 0 || (wide == nullptr && wideLength != 0)) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        // A length of -1 takes the terminator in, and it is counted like any character.
        const std::size_t inputLength = multiByteLength == -1
                                            ? std::strlen(multiByte) + 1
                                            : static_cast<std::size_t>(multiByteLength);
        const bool failOnInvalid = (flags & MB_ERR_INVALID_CHARS) != 0;
        return Report(ce::kernel::Utf8ToUtf16({multiByte, inputLength},
                                              wideLength == 0 ? nullptr : wide,
                                              static_cast<std::size_t>(wideLength), failOnInvalid));
    });
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR multiByte,
                        int multiByteLength, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    return ce::kernel::GuardedCall<int>(0, [&] {
        if (!IsSupportedCodePage(codePage) || wide == nullptr || wideLength == 0 ||
            wideLength < -1 || multiByteLength < 0 ||
            (multiByte == nullptr && multiByteLength != 0)) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        // The device refuses a default character for UTF-8, which represents every character.
        if (codePage == CP_UTF8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        const std::size_t inputLength = wideLength == -1
                                            ? std::char_traits<char16_t>::length(wide) + 1
                                            : static_cast<std::size_t>(wideLength);
        // Only a lone surrogate has no UTF-8 form; the given default character (one character,
        // so at most four bytes) replaces it.
        const std::string_view replacement =
            defaultChar != nullptr ? std::string_view(defaultChar, strnlen(defaultChar, 4))
                                   : std::string_view("\xEF\xBF\xBD");
        const bool failOnInvalid = (flags & WC_ERR_INVALID_CHARS) != 0;
        const auto result = ce::kernel::Utf16ToUtf8(
            {wide, inputLength}, multiByteLength == 0 ? nullptr : multiByte,
            static_cast<std::size_t>(multiByteLength), failOnInvalid, replacement);
        if (usedDefaultChar != nullptr) {
            *usedDefaultChar = result.replaced ? TRUE : FALSE;
        }
        return Report(result);
    });
}
