// The program's module handle and arithmetic helpers of the kernel.
#include <cstdint>

#include "winbase.h"

namespace {

// Any non-null value names the one module; the address of a private object keeps it unique.
const char g_programModule = 0;

}  // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName != nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(const_cast<char*>(&g_programModule));
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    // Rounded half away from zero.
    const std::int64_t half = (denominator < 0 ? -denominator : denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = (product < 0 ? -product : product) + half;
    const std::int64_t quotient =
        magnitude / (denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator);
    const std::int64_t result = negative ? -quotient : quotient;
    if (result > INT32_MAX || result < INT32_MIN) {
        return -1;
    }
    return static_cast<int>(result);
}
