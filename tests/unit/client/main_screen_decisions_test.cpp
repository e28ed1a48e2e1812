// Decisions of the main screen and the sync record, without a window.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdint>
#include <string>

#include "app/main_screen_layout.h"
#include "app/sync_record.h"
#include "test_files.h"

namespace {

using brevanta::test::ReadFileBytes;
using brevanta::test::TemporaryDirectory;

std::u16string Text(const CString& text) {
    return std::u16string(static_cast<LPCTSTR>(text));
}

TEST(MainScreenZones, EdgesOfEveryZone) {
    struct Case {
        LONG x;
        LONG y;
        MainScreenZone zone;
    };
    const Case cases[] = {
        {35, 114, MainScreenZone::kSync},     {232, 157, MainScreenZone::kSync},
        {34, 130, MainScreenZone::kNone},     {233, 130, MainScreenZone::kNone},
        {100, 113, MainScreenZone::kNone},    {100, 158, MainScreenZone::kNone},
        {100, 196, MainScreenZone::kNone},    {100, 197, MainScreenZone::kAddress},
        {100, 232, MainScreenZone::kAddress}, {100, 233, MainScreenZone::kNone},
        {100, 279, MainScreenZone::kNone},    {100, 280, MainScreenZone::kQuit},
        {100, 312, MainScreenZone::kQuit},    {100, 313, MainScreenZone::kNone},
        {34, 300, MainScreenZone::kNone},     {233, 200, MainScreenZone::kNone},
        {35, 312, MainScreenZone::kQuit},     {135, 400, MainScreenZone::kNone},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MainScreenZoneAt(POINT{c.x, c.y}), c.zone) << c.x << "," << c.y;
    }
}

TEST(SyncRecord, TextOfARecord) {
    SYSTEMTIME time{};
    time.wYear = 2011;
    time.wMonth = 3;
    time.wDay = 4;
    time.wHour = 5;
    time.wMinute = 6;
    time.wSecond = 59;
    EXPECT_EQ(Text(MakeSyncRecord(time, 512)), u"2011/03/04 05:06,512");
    EXPECT_EQ(Text(MakeSyncRecord(time, 0)), u"2011/03/04 05:06,0");
    // The whole size, not its low 32 bits written signed.
    EXPECT_EQ(Text(MakeSyncRecord(time, 5000000000ULL)), u"2011/03/04 05:06,5000000000");
    EXPECT_EQ(Text(MakeSyncRecord(time, 3000000000ULL)), u"2011/03/04 05:06,3000000000");
}

TEST(SyncRecord, QuitRuleAndFields) {
    EXPECT_TRUE(RecordMeansProvisioned(CString(u"2011/03/04 05:06,512")));
    EXPECT_TRUE(RecordMeansProvisioned(CString(u",")));
    EXPECT_FALSE(RecordMeansProvisioned(CString(u"")));
    EXPECT_FALSE(RecordMeansProvisioned(CString(u"no comma here")));

    RecordFields fields = SplitSyncRecord(CString(u"2011/03/04 05:06,512"));
    EXPECT_EQ(Text(fields.updated), u"2011/03/04 05:06");
    EXPECT_EQ(Text(fields.size), u"512");
    fields = SplitSyncRecord(CString(u"a,b,c"));
    EXPECT_EQ(Text(fields.updated), u"a");
    EXPECT_EQ(Text(fields.size), u"b,c") << "everything after the first comma";
    fields = SplitSyncRecord(CString(u"no comma"));
    EXPECT_TRUE(fields.updated.IsEmpty());
    EXPECT_TRUE(fields.size.IsEmpty());
}

class SyncRecordFile : public ::testing::Test {
protected:
    std::u16string DevicePath(const std::string& name = "brevantaclient.txt") const {
        std::u16string path;
        for (char c : HostPath(name)) {
            path += c == '/' ? u'\\' : static_cast<char16_t>(c);
        }
        return path;
    }
    std::string HostPath(const std::string& name = "brevantaclient.txt") const {
        return m_folder.Path() + "/" + name;
    }

    TemporaryDirectory m_folder;
};

TEST_F(SyncRecordFile, WrittenAsBareBytesAndReplaced) {
    WriteSyncRecordFile(DevicePath().c_str(), CString(u"2011/03/04 05:06,512"));
    EXPECT_EQ(ReadFileBytes(HostPath()).value_or("<none>"), "2011/03/04 05:06,512");
    WriteSyncRecordFile(DevicePath().c_str(), CString(u"2012/01/01 00:00,7"));
    EXPECT_EQ(ReadFileBytes(HostPath()).value_or("<none>"), "2012/01/01 00:00,7")
        << "replaced, not appended";
}

TEST_F(SyncRecordFile, ReadingStopsAtAZeroByteAndAcceptsEmptyFiles) {
    CString record(u"unchanged");
    EXPECT_FALSE(ReadSyncRecordFile(DevicePath().c_str(), &record)) << "no file";
    EXPECT_EQ(Text(record), u"unchanged");

    m_folder.WriteFile("brevantaclient.txt", std::string("2011/03/04\0 05:06,512", 21));
    ASSERT_TRUE(ReadSyncRecordFile(DevicePath().c_str(), &record));
    EXPECT_EQ(Text(record), u"2011/03/04");

    m_folder.WriteFile("brevantaclient.txt", "");
    ASSERT_TRUE(ReadSyncRecordFile(DevicePath().c_str(), &record));
    EXPECT_TRUE(record.IsEmpty());
    EXPECT_FALSE(RecordMeansProvisioned(record));
}

// Dates past 2038 and sizes past 4 GiB reach the record whole, as the host itself reports the
// file: a 32-bit time_t or off_t anywhere on the way would cut them.
TEST_F(SyncRecordFile, RecordOfAPackageIsWhatTheHostSaysOfTheFile) {
    struct Case {
        const char* name;
        int year, month, day, hour, minute, second;  // last access, UTC
        std::uint64_t size;
    };
    const Case cases[] = {
        {"past 2038, past 4 GiB", 2040, 3, 5, 6, 7, 8, 5ull * 1024 * 1024 * 1024 + 123},
        {"last second of signed 32-bit time, past 2 GiB", 2038, 1, 19, 3, 14, 7, (1ull << 31) + 1},
        {"past unsigned 32-bit time, exactly 4 GiB", 2106, 2, 7, 6, 28, 16, 1ull << 32},
        {"low half of the size is the failure value", 2011, 3, 4, 5, 6, 59, (1ull << 32) - 1},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const std::string hostPath = HostPath("kelmaris.cab");
        {
            const int fd = open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            const bool sized = ftruncate(fd, static_cast<off_t>(test.size)) == 0;  // sparse
            close(fd);
            ASSERT_TRUE(sized);
        }
        tm calendar{};
        calendar.tm_year = test.year - 1900;
        calendar.tm_mon = test.month - 1;
        calendar.tm_mday = test.day;
        calendar.tm_hour = test.hour;
        calendar.tm_min = test.minute;
        calendar.tm_sec = test.second;
        const time_t when = timegm(&calendar);
        const timespec times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, hostPath.c_str(), times, 0), 0);

        CString record(u"unchanged");
        ASSERT_TRUE(MakeSyncRecordOfFile(DevicePath("kelmaris.cab").c_str(), &record));

        struct stat status {};
        ASSERT_EQ(stat(hostPath.c_str(), &status), 0);
        // A test built with a 32-bit off_t would agree with a cut size; the host holds the whole.
        ASSERT_EQ(static_cast<std::uint64_t>(status.st_size), test.size);
        tm seen{};
        ASSERT_NE(gmtime_r(&status.st_atim.tv_sec, &seen), nullptr);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%04d/%02d/%02d %02d:%02d,%llu",
                      seen.tm_year + 1900, seen.tm_mon + 1, seen.tm_mday, seen.tm_hour, seen.tm_min,
                      static_cast<unsigned long long>(status.st_size));
        EXPECT_EQ(Text(record), Text(CString(expected)));
    }
}

}  // namespace
