#include "kernel/file_time.h"
#include "kernel_test_values.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdint>

namespace {

using ce::kernel::test::FileTimeValue;

FILETIME MakeFileTime(std::uint64_t value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

struct Expected {
    WORD year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

void ExpectSystemTime(const SYSTEMTIME& actual, const Expected& expected) {
    EXPECT_EQ(actual.wYear, expected.year);
    EXPECT_EQ(actual.wMonth, expected.month);
    EXPECT_EQ(actual.wDayOfWeek, expected.dayOfWeek);
    EXPECT_EQ(actual.wDay, expected.day);
    EXPECT_EQ(actual.wHour, expected.hour);
    EXPECT_EQ(actual.wMinute, expected.minute);
    EXPECT_EQ(actual.wSecond, expected.second);
    EXPECT_EQ(actual.wMilliseconds, expected.milliseconds);
}

TEST(FileTimeToSystemTime, KnownInstantsAndEdges) {
    struct Case {
        const char* name;
        std::uint64_t value;
        Expected expected;
    };
    const Case cases[] = {
        {"2011-03-04 05:06:59.789 is a Friday",
         (1299215219ull + 11644473600ull) * 10000000ull + 7899999ull,
         {2011, 3, 5, 4, 5, 6, 59, 789}},
        {"start of the count, a Monday", 0, {1601, 1, 1, 1, 0, 0, 0, 0}},
        {"last interval of the first day", 864000000000ull - 1, {1601, 1, 1, 1, 23, 59, 59, 999}},
        {"host epoch, a Thursday", 11644473600ull * 10000000ull, {1970, 1, 4, 1, 0, 0, 0, 0}},
        {"leap day", (951782400ull + 11644473600ull) * 10000000ull, {2000, 2, 2, 29, 0, 0, 0, 0}},
        {"largest accepted value", 0x7FFFFFFFFFFFFFFFull, {30828, 9, 4, 14, 2, 48, 5, 477}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const FILETIME fileTime = MakeFileTime(test.value);
        SYSTEMTIME systemTime{};
        ASSERT_TRUE(FileTimeToSystemTime(&fileTime, &systemTime));
        ExpectSystemTime(systemTime, test.expected);
    }
}

TEST(FileTimeToSystemTime, RefusesValuesWithTheTopBitSet) {
    const FILETIME fileTime = MakeFileTime(0x8000000000000000ull);
    SYSTEMTIME systemTime{};
    SetLastError(0);
    EXPECT_FALSE(FileTimeToSystemTime(&fileTime, &systemTime));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Across four centuries either side of the host epoch, the calendar agrees with the host's.
TEST(FileTimeToSystemTime, AgreesWithTheHostCalendar) {
    for (std::int64_t seconds = -11644473600; seconds < 13000000000; seconds += 86400 * 37 + 3607) {
        time_t hostTime = static_cast<time_t>(seconds);
        tm calendar{};
        ASSERT_NE(gmtime_r(&hostTime, &calendar), nullptr);
        const FILETIME fileTime = ce::kernel::FileTimeFromUnixTime(seconds, 0);
        SYSTEMTIME systemTime{};
        ASSERT_TRUE(FileTimeToSystemTime(&fileTime, &systemTime)) << seconds;
        ASSERT_EQ(systemTime.wYear, calendar.tm_year + 1900) << seconds;
        ASSERT_EQ(systemTime.wMonth, calendar.tm_mon + 1) << seconds;
        ASSERT_EQ(systemTime.wDay, calendar.tm_mday) << seconds;
        ASSERT_EQ(systemTime.wDayOfWeek, calendar.tm_wday) << seconds;
        ASSERT_EQ(systemTime.wHour, calendar.tm_hour) << seconds;
        ASSERT_EQ(systemTime.wMinute, calendar.tm_min) << seconds;
        ASSERT_EQ(systemTime.wSecond, calendar.tm_sec) << seconds;
    }
}

TEST(FileTimeFromUnixTime, KeepsTheFullResolution) {
    EXPECT_EQ(FileTimeValue(ce::kernel::FileTimeFromUnixTime(0, 999999999)),
              116444736000000000ull + 9999999ull);
    EXPECT_EQ(FileTimeValue(ce::kernel::FileTimeFromUnixTime(1, 100)),
              116444736000000000ull + 10000001ull);
    EXPECT_EQ(FileTimeValue(ce::kernel::FileTimeFromUnixTime(-11644473600, 0)), 0u);
    EXPECT_EQ(FileTimeValue(ce::kernel::FileTimeFromUnixTime(-11644473601, 0)), 0u);
}

}  // namespace
