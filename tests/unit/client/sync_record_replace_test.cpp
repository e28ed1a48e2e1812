// The record file is replaced whole or not at all: through a temporary beside it, on a disk of its
// own that the tests can fill or make read-only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/sync_record.h"
#include "small_disk.h"
#include "test_files.h"

namespace {

using brevanta::test::ReadFileBytes;
using brevanta::test::SmallDisk;

constexpr std::size_t kDiskBytes = 256 * 1024;
constexpr char kRecordName[] = "brevantaclient.txt";
constexpr char kOldRecord[] = "2010/01/01 00:00,1";

class SyncRecordReplace : public ::testing::Test {
protected:
    void SetUp() override {
        if (m_disk.Path().empty()) {
            GTEST_SKIP() << m_disk.Error();
        }
        ASSERT_TRUE(WriteHostFile(kRecordName, kOldRecord));
    }

    std::string HostPath(const std::string& name) const { return m_disk.Path() + "/" + name; }
    std::u16string DevicePath() const {
        std::u16string path;
        for (char c : HostPath(kRecordName)) {
            path += c == '/' ? u'\\' : static_cast<char16_t>(c);
        }
        return path;
    }
    bool WriteHostFile(const std::string& name, const std::string& bytes) const {
        std::ofstream file(HostPath(name), std::ios::binary | std::ios::trunc);
        file << bytes;
        return static_cast<bool>(file.flush());
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_disk.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Record() const { return ReadFileBytes(HostPath(kRecordName)).value_or("<none>"); }

    SmallDisk m_disk{kDiskBytes};
};

TEST_F(SyncRecordReplace, NewRecordReplacesTheOldOneAndALeftoverTemporary) {
    // A temporary left by a power cut during an earlier write.
    ASSERT_TRUE(WriteHostFile("brevantaclient.txt.new", "2009/"));
    EXPECT_TRUE(WriteSyncRecordFile(DevicePath().c_str(), CString(u"2011/03/04 05:06,512")));
    EXPECT_EQ(Record(), "2011/03/04 05:06,512");
    EXPECT_EQ(Entries(), std::vector<std::string>{kRecordName});
}

TEST_F(SyncRecordReplace, FullDiskKeepsTheOldRecordAndNoTemporary) {
    ASSERT_TRUE(m_disk.Fill("filler"));
    EXPECT_FALSE(WriteSyncRecordFile(DevicePath().c_str(), CString(u"2011/03/04 05:06,512")));
    EXPECT_EQ(Record(), kOldRecord);
    EXPECT_EQ(Entries(), (std::vector<std::string>{kRecordName, "filler"}));
}

TEST_F(SyncRecordReplace, ReadOnlyFolderKeepsTheOldRecordAndNoTemporary) {
    ASSERT_TRUE(m_disk.MakeReadOnly());
    EXPECT_FALSE(WriteSyncRecordFile(DevicePath().c_str(), CString(u"2011/03/04 05:06,512")));
    EXPECT_EQ(Record(), kOldRecord);
    EXPECT_EQ(Entries(), std::vector<std::string>{kRecordName});
}

}  // namespace
