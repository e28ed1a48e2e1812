// The printf-style formatter behind CString::Format, on UTF-16 text.
#pragma once

#include <cstdarg>
#include <string>

namespace ce::mfc {

// Appends the formatted text to out. Conversions: d i u x X c s S %, with the flags - and 0, a
// width, a precision and the size prefixes h (8-bit text for s, 16-bit for integers) and l
// (UTF-16 text for s; integers stay 32-bit, as on the device). An unknown conversion is copied
// as it stands.
void AppendFormatted(std::u16string& out, const char16_t* format, va_list args);

}  // namespace ce::mfc
