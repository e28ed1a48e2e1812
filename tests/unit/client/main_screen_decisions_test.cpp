// Decisions of the main screen and the sync record, without a window.
#include <gtest/gtest.h>

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
    std::u16string DevicePath() const {
        std::u16string path;
        for (char c : m_folder.Path() + "/brevantaclient.txt") {
            path += c == '/' ? u'\\' : static_cast<char16_t>(c);
        }
        return path;
    }
    std::string HostPath() const { return m_folder.Path() + "/brevantaclient.txt"; }

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

}  // namespace
