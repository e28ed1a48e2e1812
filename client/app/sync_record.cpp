#include "app/sync_record.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>

namespace {

// A record is a short line; anything beyond this is not read.
constexpr DWORD kMaxRecordBytes = 64 * 1024;

// The new record is written under this name beside the record file, then renamed over it.
constexpr LPCWSTR kTemporarySuffix = TEXT(".new");

// Opens PATH to read and tells its whole size; INVALID_HANDLE_VALUE when either fails.
HANDLE OpenForReading(LPCWSTR path, std::uint64_t* size) {
    HANDLE file =
        CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return file;
    }
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    // A size whose low part is the failure value is real when the last error is 0.
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    *size = (static_cast<std::uint64_t>(high) << 32) | low;
    return file;
}

// The record's characters as 8-bit text in the system code page, without a terminator.
bool WriteRecordBytes(HANDLE file, const CString& record) {
    const int length = record.GetLength();
    if (length == 0) {
        return true;
    }
    const int bytes = WideCharToMultiByte(CP_ACP, 0, record, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return false;
    }
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<std::size_t>(bytes)]);
    if (!buffer) {
        return false;
    }
    WideCharToMultiByte(CP_ACP, 0, record, length, buffer.get(), bytes, nullptr, nullptr);
    DWORD written = 0;
    return WriteFile(file, buffer.get(), static_cast<DWORD>(bytes), &written, nullptr) &&
           written == static_cast<DWORD>(bytes);
}

}  // namespace

CString MakeSyncRecord(const SYSTEMTIME& time, std::uint64_t size) {
    CString record;
    record.Format(TEXT("%04d/%02d/%02d %02d:%02d,"), time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute);
    // The whole size, even past 32 bits.
    const std::string digits = std::to_string(size);
    record += CString(digits.c_str());
    return record;
}

bool MakeSyncRecordOfFile(LPCWSTR path, CString* record) {
    std::uint64_t size = 0;
    HANDLE file = OpenForReading(path, &size);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    FILETIME lastAccess{};
    const bool timed = GetFileTime(file, nullptr, &lastAccess, nullptr) != FALSE;
    CloseHandle(file);
    SYSTEMTIME time{};
    if (!timed || !FileTimeToSystemTime(&lastAccess, &time)) {
        return false;
    }
    *record = MakeSyncRecord(time, size);
    return true;
}

bool RecordMeansProvisioned(const CString& record) {
    return !record.IsEmpty() && record.Find(TEXT(',')) >= 0;
}

RecordFields SplitSyncRecord(const CString& record) {
    const int comma = record.Find(TEXT(','));
    if (comma < 0) {
        return {};
    }
    return {record.Left(comma), record.Mid(comma + 1)};
}

bool ReadSyncRecordFile(LPCWSTR path, CString* record) {
    std::uint64_t whole = 0;
    HANDLE file = OpenForReading(path, &whole);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD size = static_cast<DWORD>(std::min<std::uint64_t>(whole, kMaxRecordBytes));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size + 1]);
    if (!buffer) {
        CloseHandle(file);
        return false;
    }
    DWORD total = 0;
    while (total < size) {
        DWORD count = 0;
        if (!ReadFile(file, buffer.get() + total, size - total, &count, nullptr) || count == 0) {
            break;
        }
        total += count;
    }
    CloseHandle(file);
    buffer[total] = '\0';
    // The text ends at the first zero byte, as the device reads it.
    *record = CString(buffer.get());
    return true;
}

bool WriteSyncRecordFile(LPCWSTR path, const CString& record) {
    const CString temporaryPath = CString(path) + kTemporarySuffix;
    HANDLE file = CreateFileW(temporaryPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool written = WriteRecordBytes(file, record) && FlushFileBuffers(file);
    CloseHandle(file);
    // The write-through rename also flushes the folder, so the new name survives a power cut.
    if (written &&
        MoveFileExW(temporaryPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileW(temporaryPath);
    return false;
}
