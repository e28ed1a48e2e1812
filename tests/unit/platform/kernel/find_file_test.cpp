#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "kernel/file_time.h"
#include "kernel/wildcard.h"
#include "scratch_directory.h"
#include "winbase.h"
#include "kernel_test_values.h"

namespace ce::kernel::test {
namespace {

class FindFirstFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_directory.Write("alpha.txt", "12345"));
        ASSERT_TRUE(m_directory.Write("beta.log", "1"));
        ASSERT_TRUE(m_directory.Write("locked.dat", "1"));
        ASSERT_EQ(chmod(m_directory.HostPath("locked.dat").c_str(), 0444), 0);
        ASSERT_EQ(mkdir(m_directory.HostPath("sub").c_str(), 0755), 0);
        ASSERT_EQ(mkdir(m_directory.HostPath("empty").c_str(), 0755), 0);
    }

    // The name found for a pattern; empty, with the last error kept in m_error, when none was.
    std::u16string Find(std::string_view pattern) {
        WIN32_FIND_DATAW data{};
        SetLastError(kUntouched);
        HANDLE search = FindFirstFileW(m_directory.DevicePath(pattern).c_str(), &data);
        m_error = GetLastError();
        if (search == INVALID_HANDLE_VALUE) {
            return {};
        }
        EXPECT_TRUE(FindClose(search));
        m_found = data;
        return data.cFileName;
    }

    ScratchDirectory m_directory;
    WIN32_FIND_DATAW m_found{};
    DWORD m_error = 0;
};

TEST_F(FindFirstFileTest, FindsExactlyTheNamedEntry) {
    EXPECT_EQ(Find("alpha.txt"), u"alpha.txt");
    EXPECT_EQ(m_found.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(m_found.nFileSizeLow, 5u);
    EXPECT_EQ(m_found.nFileSizeHigh, 0u);

    EXPECT_EQ(Find("sub"), u"sub");
    EXPECT_EQ(m_found.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(m_found.nFileSizeLow, 0u);

    EXPECT_EQ(Find("locked.dat"), u"locked.dat");
    EXPECT_EQ(m_found.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

TEST_F(FindFirstFileTest, MatchesWildcardsInTheLastComponent) {
    EXPECT_EQ(Find("*.log"), u"beta.log");
    EXPECT_EQ(Find("a?pha.*"), u"alpha.txt");
    EXPECT_EQ(Find("su*"), u"sub");
    EXPECT_EQ(Find("sub/*"), u"");
    EXPECT_EQ(m_error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FindFirstFileTest, NeverFindsTheDotEntries) {
    for (const char* pattern : {"empty/*", "empty/*.*", "empty/.*", "empty/.", "empty/.."}) {
        SCOPED_TRACE(pattern);
        WIN32_FIND_DATAW data{};
        SetLastError(kUntouched);
        EXPECT_EQ(FindFirstFileW(m_directory.DevicePath(pattern).c_str(), &data),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    }
}

TEST_F(FindFirstFileTest, TellsAMissingDirectoryFromAMissingFile) {
    struct Case {
        const char* pattern;
        DWORD error;
    };
    const Case cases[] = {
        {"absent.txt", ERROR_FILE_NOT_FOUND},       {"*.none", ERROR_FILE_NOT_FOUND},
        {"nowhere/file.txt", ERROR_PATH_NOT_FOUND}, {"nowhere/*", ERROR_PATH_NOT_FOUND},
        {"alpha.txt/*", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.pattern);
        WIN32_FIND_DATAW data{};
        SetLastError(kUntouched);
        EXPECT_EQ(FindFirstFileW(m_directory.DevicePath(test.pattern).c_str(), &data),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), test.error);
    }
}

TEST_F(FindFirstFileTest, ReportsTheFileTimes) {
    const timespec times[2] = {{1299215219, 500000000}, {1300000000, 250000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, m_directory.HostPath("beta.log").c_str(), times, 0), 0);
    EXPECT_EQ(Find("beta*"), u"beta.log");
    EXPECT_EQ(FileTimeValue(m_found.ftLastAccessTime),
              FileTimeValue(FileTimeFromUnixTime(1299215219, 500000000)));
    EXPECT_EQ(FileTimeValue(m_found.ftLastWriteTime),
              FileTimeValue(FileTimeFromUnixTime(1300000000, 250000000)));
    EXPECT_NE(FileTimeValue(m_found.ftCreationTime), 0u);
}

TEST_F(FindFirstFileTest, SkipsNamesTheDeviceCannotHold) {
    ASSERT_TRUE(m_directory.Write("\xFF.bin", ""));
    ASSERT_TRUE(m_directory.Write("\xFE.bin", ""));
    ASSERT_TRUE(m_directory.Write("good.bin", ""));
    EXPECT_EQ(Find("*.bin"), u"good.bin");
}

TEST(FindClose, ClosesOnlySearchHandles) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.Write("f", ""));
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW(directory.DevicePath("f").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    HANDLE file = CreateFileW(directory.DevicePath("f").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);

    SetLastError(kUntouched);
    EXPECT_FALSE(FindClose(file));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(file));

    EXPECT_TRUE(FindClose(search));
    SetLastError(kUntouched);
    EXPECT_FALSE(FindClose(search));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Wildcard, MatchesLikeTheDevice) {
    struct Case {
        std::u16string_view name;
        std::u16string_view pattern;
        bool matches;
    };
    const Case cases[] = {
        {u"abc", u"abc", true},
        {u"abc", u"abd", false},
        {u"abc", u"ABC", false},
        {u"abc", u"*", true},
        {u"abc", u"a*", true},
        {u"abc", u"*c", true},
        {u"abc", u"*b", false},
        {u"abc", u"a?c", true},
        {u"abc", u"??", false},
        {u"abc", u"????", false},
        {u"abc", u"a**c", true},
        {u"aXbXc", u"*b*c", true},
        {u"aXbXcX", u"*b*c", false},
        {u"mississippi", u"*iss*ppi", true},
        {u"readme", u"*.*", true},
        {u"a.b.c", u"*.c", true},
        {u"a.b", u"*.c", false},
        {u"", u"*", true},
        {u"\u00E9t\u00E9", u"?t?", true},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(MatchesWildcard(test.name, test.pattern), test.matches)
            << std::string(test.name.begin(), test.name.end()) << " / "
            << std::string(test.pattern.begin(), test.pattern.end());
    }
}

}  // namespace
}  // namespace ce::kernel::test
