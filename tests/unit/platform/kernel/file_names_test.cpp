// Renaming, deleting and flushing files, and the free space of a disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "scratch_directory.h"
#include "small_disk.h"
#include "winbase.h"
#include "kernel_test_values.h"

namespace ce::kernel::test {
namespace {

constexpr DWORD kMoveFileCopyAllowed = 0x2u;

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

TEST(MoveFileExW, ReplacesOnlyWhenAskedAndRefusesOtherFlags) {
    struct Case {
        const char* name;
        bool targetExists;
        DWORD flags;
        bool succeeds;
        DWORD lastError;
    };
    const Case cases[] = {
        {"new name", false, 0, true, kUntouched},
        {"taken name", true, 0, false, ERROR_ALREADY_EXISTS},
        {"taken name, replace", true, MOVEFILE_REPLACE_EXISTING, true, kUntouched},
        {"write through", true, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, true,
         kUntouched},
        {"copy allowed", false, kMoveFileCopyAllowed, false, ERROR_INVALID_PARAMETER},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ScratchDirectory directory;
        ASSERT_TRUE(directory.Write("from", "new"));
        if (test.targetExists) {
            ASSERT_TRUE(directory.Write("to", "old"));
        }
        SetLastError(kUntouched);
        EXPECT_EQ(MoveFileExW(directory.DevicePath("from").c_str(),
                              directory.DevicePath("to").c_str(), test.flags),
                  test.succeeds ? TRUE : FALSE);
        EXPECT_EQ(GetLastError(), test.lastError);
        EXPECT_EQ(Exists(directory.HostPath("from")), !test.succeeds);
        const char* expectedTarget = test.succeeds ? "new" : (test.targetExists ? "old" : nullptr);
        if (expectedTarget == nullptr) {
            EXPECT_FALSE(Exists(directory.HostPath("to")));
        } else {
            EXPECT_EQ(ReadHostFile(directory.HostPath("to")), expectedTarget);
        }
    }
}

TEST(MoveFileExW, MissingSourceFails) {
    ScratchDirectory directory;
    SetLastError(kUntouched);
    EXPECT_FALSE(MoveFileExW(directory.DevicePath("absent").c_str(),
                             directory.DevicePath("to").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(DeleteFileW, RemovesFilesOnly) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.Write("file", "x"));
    EXPECT_TRUE(DeleteFileW(directory.DevicePath("file").c_str()));
    EXPECT_FALSE(Exists(directory.HostPath("file")));

    struct Case {
        std::u16string path;
        DWORD error;
    };
    const Case cases[] = {
        {directory.DevicePath("file"), ERROR_FILE_NOT_FOUND},
        {directory.DevicePath("missing/file"), ERROR_PATH_NOT_FOUND},
        {directory.DevicePath(), ERROR_ACCESS_DENIED},
    };
    for (const auto& test : cases) {
        SetLastError(kUntouched);
        EXPECT_FALSE(DeleteFileW(test.path.c_str()));
        EXPECT_EQ(GetLastError(), test.error);
    }
    EXPECT_TRUE(Exists(directory.HostPath()));
}

TEST(FlushFileBuffers, NeedsAFileHandle) {
    ScratchDirectory directory;
    HANDLE file = CreateFileW(directory.DevicePath("file").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_TRUE(FlushFileBuffers(file));
    CloseHandle(file);

    SetLastError(kUntouched);
    EXPECT_FALSE(FlushFileBuffers(file)) << "closed handle";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(GetDiskFreeSpaceExW, ReportsTheDiskOfTheFolder) {
    constexpr ULONGLONG kDiskBytes = 4 * 1024 * 1024;
    brevanta::test::SmallDisk disk(kDiskBytes);
    if (disk.Path().empty()) {
        GTEST_SKIP() << disk.Error();
    }
    const std::u16string folder = HostPathToDevicePath(disk.Path()) + u"\\";
    ULARGE_INTEGER available{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free));
    EXPECT_EQ(total.QuadPart, kDiskBytes);
    EXPECT_EQ(free.QuadPart, kDiskBytes);
    EXPECT_EQ(available.QuadPart, kDiskBytes);

    // A file of one MiB takes one MiB; the other results may be left out.
    const std::string bytes(1024 * 1024, 'x');
    {
        std::ofstream file(disk.Path() + "/file", std::ios::binary);
        file << bytes;
        ASSERT_TRUE(file.flush());
    }
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr));
    EXPECT_EQ(available.QuadPart, kDiskBytes - bytes.size());

    SetLastError(kUntouched);
    EXPECT_FALSE(
        GetDiskFreeSpaceExW((folder + u"missing\\").c_str(), &available, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
}  // namespace ce::kernel::test
