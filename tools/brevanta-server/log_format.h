// How an event line is written: bare on a terminal or a pipe, with a syslog priority prefix
// ("<4>") when standard output is the journal's stream, so that `journalctl -p warning` finds
// the failures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brevanta::server {

enum class Severity { kInfo, kWarning, kError };

// Whether JOURNAL_STREAM ("DEVICE:INODE", set by systemd for a service whose output goes to the
// journal) names the stream with this device and inode numbers.
bool IsJournalStream(std::string_view journalStream, std::uint64_t device, std::uint64_t inode);

// The line with its newline, prefixed with its priority for the journal.
std::string FormatLogLine(std::string_view line, Severity severity, bool journal);

}  // namespace brevanta::server
