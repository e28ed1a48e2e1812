// String resources from the program's table.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "ce/resources.h"
#include "winbase.h"

#include "kernel/api_boundary.h"

int LoadStringW(HINSTANCE, UINT id, LPWSTR buffer, int capacity) {
    return ce::kernel::GuardedCall<int>(0, [&]() -> int {
        if (buffer == nullptr || capacity < 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        for (const ce::StringResource& resource : ce::ProgramResources().strings) {
            if (resource.id != id || resource.text == nullptr) {
                continue;
            }
            const std::u16string_view text(resource.text);
            // With no room given, the buffer receives a pointer to the read-only text itself;
            // the caller's buffer need not be aligned for a pointer.
            if (capacity == 0) {
                std::memcpy(buffer, &resource.text, sizeof resource.text);
                return static_cast<int>(text.size());
            }
            const std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
            std::copy_n(text.begin(), count, buffer);
            buffer[count] = u'\0';
            return static_cast<int>(count);
        }
        if (capacity > 0) {
            buffer[0] = u'\0';
        }
        return 0;
    });
}
