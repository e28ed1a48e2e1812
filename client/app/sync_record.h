// The sync record: "date time,size" of the last package, kept in the record file beside the
// program. A record with a comma means the device is provisioned.
#pragma once

#include <afxwin.h>

#include <cstdint>

// The record for a package whose last access was at the time (calendar fields, no conversion to
// local time; seconds dropped) and whose size is the given number of bytes.
CString MakeSyncRecord(const SYSTEMTIME& time, std::uint64_t size);

// The record of the file at `path` as it is on disk: its last access time (UTC) and its size.
// False, with `record` untouched, when the file cannot be opened or its size or time read.
bool MakeSyncRecordOfFile(LPCWSTR path, CString* record);

// Whether a record read at start ends the program at once.
bool RecordMeansProvisioned(const CString& record);

// The two fields shown on the main screen: the text before the first comma and all after it.
// Both are empty for a record without a comma.
struct RecordFields {
    CString updated;
    CString size;
};
RecordFields SplitSyncRecord(const CString& record);

// The record file's text up to its first zero byte, read as 8-bit text in the system code page;
// false when the file cannot be opened or its size read.
bool ReadSyncRecordFile(LPCWSTR path, CString* record);
// Replaces the record file with the record's characters as 8-bit text, without a terminator.
// The bytes go to a temporary file in the same folder, which is flushed and then renamed over
// the record file, so that a power cut leaves either the old record or the new one, never a
// partial file. False, with the old record file untouched and no temporary left, on failure.
bool WriteSyncRecordFile(LPCWSTR path, const CString& record);
