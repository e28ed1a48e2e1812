#include "log_format.h"

#include <charconv>

namespace brevanta::server {
namespace {

bool ParseWhole(std::string_view text, std::uint64_t* value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, *value);
    return !text.empty() && error == std::errc() && stop == end;
}

}  // namespace

bool IsJournalStream(std::string_view journalStream, std::uint64_t device, std::uint64_t inode) {
    std::size_t colon = journalStream.find(':');
    std::uint64_t namedDevice = 0;
    std::uint64_t namedInode = 0;
    return colon != std::string_view::npos &&
           ParseWhole(journalStream.substr(0, colon), &namedDevice) &&
           ParseWhole(journalStream.substr(colon + 1), &namedInode) && namedDevice == device &&
           namedInode == inode;
}

std::string FormatLogLine(std::string_view line, Severity severity, bool journal) {
    std::string text;
    if (journal) {
        // sd-daemon(3) priorities: 3 error, 4 warning, 6 informational.
        text = severity == Severity::kError     ? "<3>"
               : severity == Severity::kWarning ? "<4>"
                                                : "<6>";
    }
    text += line;
    text += '\n';
    return text;
}

}  // namespace brevanta::server
