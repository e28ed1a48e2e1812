#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "kernel/file_time.h"
#include "scratch_directory.h"
#include "winbase.h"
#include "kernel_test_values.h"

namespace ce::kernel::test {
namespace {

// Closes a handle from CreateFileW at the end of a scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { CloseHandle(m_handle); }
    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }

private:
    HANDLE m_handle;
};

HANDLE Open(const std::u16string& path, DWORD access, DWORD disposition, DWORD attributes = 0) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, attributes,
                       nullptr);
}

TEST(CreateFileW, FollowsTheCreationDispositions) {
    struct Case {
        const char* name;
        DWORD disposition;
        bool exists;
        bool succeeds;
        DWORD lastError;
        const char* contentsAfter;  // null: no file afterwards
    };
    const Case cases[] = {
        {"create new, absent", CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {"create new, present", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {"create always, absent", CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {"create always, present", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {"open existing, absent", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"open existing, present", OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {"open always, absent", OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {"open always, present", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {"truncate existing, absent", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND,
         nullptr},
        {"truncate existing, present", TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
        {"unknown disposition", 9, true, false, ERROR_INVALID_PARAMETER, "old"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ScratchDirectory directory;
        const std::string hostPath = directory.HostPath("file.txt");
        if (test.exists) {
            ASSERT_TRUE(directory.Write("file.txt", "old"));
        }
        SetLastError(kUntouched);
        FileHandle file(
            Open(directory.DevicePath("file.txt"), GENERIC_READ | GENERIC_WRITE, test.disposition));
        EXPECT_EQ(file.IsValid(), test.succeeds);
        EXPECT_EQ(file.Get() == INVALID_HANDLE_VALUE, !test.succeeds);
        EXPECT_EQ(GetLastError(), test.lastError);
        if (test.contentsAfter == nullptr) {
            EXPECT_NE(access(hostPath.c_str(), F_OK), 0);
        } else {
            EXPECT_EQ(ReadHostFile(hostPath), test.contentsAfter);
        }
    }
}

TEST(CreateFileW, TellsAMissingDirectoryFromAMissingFile) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.Write("plain", "x"));
    struct Case {
        const char* name;
        DWORD disposition;
        DWORD error;
    };
    const Case cases[] = {
        {"missing/file.txt", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"missing/file.txt", CREATE_NEW, ERROR_PATH_NOT_FOUND},
        {"missing/deeper/file.txt", OPEN_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"plain/file.txt", OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"absent.txt", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        SetLastError(kUntouched);
        EXPECT_EQ(Open(directory.DevicePath(test.name), GENERIC_READ, test.disposition),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), test.error);
    }
}

TEST(CreateFileW, RefusesDirectories) {
    ScratchDirectory directory;
    for (const DWORD disposition : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS}) {
        for (const DWORD access : {GENERIC_READ, GENERIC_READ | GENERIC_WRITE}) {
            SCOPED_TRACE(testing::Message() << disposition << " " << access);
            SetLastError(kUntouched);
            EXPECT_EQ(Open(directory.DevicePath(), access, disposition), INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        }
    }
}

TEST(CreateFileW, RefusesNamesThatAreNotUtf16) {
    const std::u16string name = std::u16string(u"\\tmp\\") + char16_t(0xD800);
    SetLastError(kUntouched);
    EXPECT_EQ(Open(name, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST(CreateFileW, NewFilesTakeTheirModeFromTheAttributes) {
    ScratchDirectory directory;
    const mode_t mask = umask(0);
    umask(mask);
    {
        FileHandle normal(
            Open(directory.DevicePath("normal"), GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
        FileHandle readOnly(Open(directory.DevicePath("read-only"), GENERIC_WRITE, CREATE_NEW,
                                 FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(normal.IsValid());
        ASSERT_TRUE(readOnly.IsValid());
    }
    struct stat status {};
    ASSERT_EQ(stat(directory.HostPath("normal").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
    ASSERT_EQ(stat(directory.HostPath("read-only").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0444 & ~mask);
}

TEST(ReadWriteFile, RoundTripThroughTheDevicePath) {
    ScratchDirectory directory;
    const std::string data = brevanta::test::PatternBytes(200000);
    FileHandle file(
        Open(directory.DevicePath("data.bin"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW));
    ASSERT_TRUE(file.IsValid());
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    EXPECT_EQ(written, data.size());
    EXPECT_EQ(ReadHostFile(directory.HostPath("data.bin")), data);

    ASSERT_EQ(SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN), 0u);
    std::string back(data.size() + 100, '\0');
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file.Get(), back.data(), static_cast<DWORD>(back.size()), &read, nullptr));
    EXPECT_EQ(read, data.size());
    back.resize(read);
    EXPECT_TRUE(back == data);

    // At the end of the file a read succeeds with nothing.
    read = 1;
    EXPECT_TRUE(ReadFile(file.Get(), back.data(), 10, &read, nullptr));
    EXPECT_EQ(read, 0u);
}

TEST(ReadWriteFile, FailuresReportTheDeviceErrors) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.Write("f", "abc"));
    FileHandle readOnly(Open(directory.DevicePath("f"), GENERIC_READ, OPEN_EXISTING));
    FileHandle writeOnly(Open(directory.DevicePath("f"), GENERIC_WRITE, OPEN_EXISTING));
    ASSERT_TRUE(readOnly.IsValid());
    ASSERT_TRUE(writeOnly.IsValid());
    char buffer[4] = {};
    DWORD count = 99;

    SetLastError(kUntouched);
    EXPECT_FALSE(WriteFile(readOnly.Get(), "x", 1, &count, nullptr));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    SetLastError(kUntouched);
    EXPECT_FALSE(ReadFile(writeOnly.Get(), buffer, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    alignas(8) unsigned char overlappedStorage[32] = {};
    auto* overlapped = reinterpret_cast<LPOVERLAPPED>(overlappedStorage);
    SetLastError(kUntouched);
    EXPECT_FALSE(ReadFile(readOnly.Get(), buffer, 1, &count, overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        SetLastError(kUntouched);
        EXPECT_FALSE(ReadFile(bad, buffer, 1, &count, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(kUntouched);
        EXPECT_FALSE(WriteFile(bad, buffer, 1, &count, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(kUntouched);
        EXPECT_EQ(GetFileSize(bad, nullptr), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST(ReadWriteFile, FullDiskFailsTheWrite) {
    FileHandle full(Open(u"\\dev\\full", GENERIC_WRITE, OPEN_EXISTING));
    ASSERT_TRUE(full.IsValid());
    DWORD written = 99;
    SetLastError(kUntouched);
    EXPECT_FALSE(WriteFile(full.Get(), "abc", 3, &written, nullptr));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
}

TEST(FilePointer, ReachesBeyondFourGibibytesWithTheHighPart) {
    ScratchDirectory directory;
    FileHandle file(Open(directory.DevicePath("sparse"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW));
    ASSERT_TRUE(file.IsValid());

    LONG high = 1;
    EXPECT_EQ(SetFilePointer(file.Get(), 0x10, &high, FILE_BEGIN), 0x10u);
    EXPECT_EQ(high, 1);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), "z", 1, &written, nullptr));

    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(file.Get(), &sizeHigh), 0x11u);
    EXPECT_EQ(sizeHigh, 1u);

    high = 0;
    EXPECT_EQ(SetFilePointer(file.Get(), 0, &high, FILE_CURRENT), 0x11u);
    EXPECT_EQ(high, 1);

    // Back by a distance of -0x100000000 - 0x11 in two parts: to the start of the file.
    high = -2;
    EXPECT_EQ(SetFilePointer(file.Get(), -0x11, &high, FILE_CURRENT), 0u);
    EXPECT_EQ(high, 0);

    // Without a high part the position must fit 32 bits; the pointer stays where it was.
    SetLastError(kUntouched);
    EXPECT_EQ(SetFilePointer(file.Get(), 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SetFilePointer(file.Get(), 0, nullptr, FILE_CURRENT), 0u);

    // With a high part the caller extends the sign: -1 is all ones in both parts.
    high = -1;
    EXPECT_EQ(SetFilePointer(file.Get(), -1, &high, FILE_END), 0x10u);
    EXPECT_EQ(high, 1);
    char byte = 0;
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file.Get(), &byte, 1, &read, nullptr));
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(byte, 'z');
}

TEST(FilePointer, RefusesNegativePositionsAndUnknownMethods) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.Write("f", "0123456789"));
    FileHandle file(Open(directory.DevicePath("f"), GENERIC_READ, OPEN_EXISTING));
    ASSERT_TRUE(file.IsValid());
    ASSERT_EQ(SetFilePointer(file.Get(), 4, nullptr, FILE_BEGIN), 4u);

    SetLastError(kUntouched);
    EXPECT_EQ(SetFilePointer(file.Get(), -5, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(kUntouched);
    EXPECT_EQ(SetFilePointer(file.Get(), 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SetFilePointer(file.Get(), -2, nullptr, FILE_END), 8u);

    SetLastError(kUntouched);
    EXPECT_EQ(SetFilePointer(nullptr, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// A real position or size whose low part equals the failure value is told apart by a last
// error of 0.
TEST(FilePointer, ValidPositionEqualToTheFailureValueClearsTheLastError) {
    ScratchDirectory directory;
    FileHandle file(Open(directory.DevicePath("f"), GENERIC_READ | GENERIC_WRITE, CREATE_NEW));
    ASSERT_TRUE(file.IsValid());

    SetLastError(kUntouched);
    EXPECT_EQ(SetFilePointer(file.Get(), -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    LONG high = 0;
    SetLastError(kUntouched);
    EXPECT_EQ(SetFilePointer(file.Get(), -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    ASSERT_EQ(truncate(directory.HostPath("f").c_str(), 0xFFFFFFFF), 0);
    DWORD sizeHigh = 7;
    SetLastError(kUntouched);
    EXPECT_EQ(GetFileSize(file.Get(), &sizeHigh), INVALID_FILE_SIZE);
    EXPECT_EQ(sizeHigh, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST(GetFileTime, MatchesTheHostTimesToTheTenthMicrosecond) {
    ScratchDirectory directory;
    const std::string hostPath = directory.HostPath("f");
    ASSERT_TRUE(directory.Write("f", "x"));
    const timespec times[2] = {{1299215219, 123456789}, {1600000000, 987654321}};
    ASSERT_EQ(utimensat(AT_FDCWD, hostPath.c_str(), times, 0), 0);

    FileHandle file(Open(directory.DevicePath("f"), GENERIC_READ, OPEN_EXISTING));
    ASSERT_TRUE(file.IsValid());
    FILETIME creation{};
    FILETIME access{};
    FILETIME write{};
    ASSERT_TRUE(GetFileTime(file.Get(), &creation, &access, &write));
    EXPECT_EQ(FileTimeValue(access), FileTimeValue(FileTimeFromUnixTime(1299215219, 123456789)));
    EXPECT_EQ(FileTimeValue(write), FileTimeValue(FileTimeFromUnixTime(1600000000, 987654321)));
    EXPECT_EQ(FileTimeValue(write) % 10000000, 9876543u);

    struct statx status {};
    ASSERT_EQ(statx(AT_FDCWD, hostPath.c_str(), 0, STATX_BTIME | STATX_CTIME, &status), 0);
    const statx_timestamp born =
        (status.stx_mask & STATX_BTIME) != 0 ? status.stx_btime : status.stx_ctime;
    EXPECT_EQ(FileTimeValue(creation),
              FileTimeValue(FileTimeFromUnixTime(born.tv_sec, born.tv_nsec)));

    // Each time is optional.
    EXPECT_TRUE(GetFileTime(file.Get(), nullptr, nullptr, &write));
    SetLastError(kUntouched);
    EXPECT_FALSE(GetFileTime(nullptr, &creation, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
}  // namespace ce::kernel::test
