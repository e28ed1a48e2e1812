#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "winbase.h"

namespace {

// The program's path in the device's form, worked out here from the host's view.
std::u16string ExpectedPath() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    EXPECT_GT(length, 0);
    std::u16string path;
    for (ssize_t i = 0; i < length; ++i) {
        path += buffer[i] == '/' ? u'\\' : static_cast<char16_t>(buffer[i]);
    }
    return path;
}

TEST(GetModuleFileNameW, IsTheProgramInTheDeviceForm) {
    const std::u16string expected = ExpectedPath();
    WCHAR name[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH * 4);
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(std::u16string(name), expected);
    EXPECT_EQ(name[0], u'\\');
}

TEST(GetModuleFileNameW, CutsAndTerminatesWhenTheBufferIsTooSmall) {
    const std::u16string expected = ExpectedPath();
    const auto length = static_cast<DWORD>(expected.size());
    for (const DWORD size : {DWORD{1}, DWORD{5}, length}) {
        SCOPED_TRACE(size);
        std::u16string name(length + 8, u'#');
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameW(nullptr, name.data(), size), size);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(name.substr(0, size - 1), expected.substr(0, size - 1));
        EXPECT_EQ(name[size - 1], u'\0');
        EXPECT_EQ(name[size], u'#');
    }
    std::u16string name(length + 1, u'#');
    EXPECT_EQ(GetModuleFileNameW(nullptr, name.data(), length + 1), length);
    EXPECT_EQ(name.substr(0, length), expected);
    EXPECT_EQ(name[length], u'\0');
}

}  // namespace
