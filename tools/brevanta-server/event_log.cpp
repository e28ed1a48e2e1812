#include "event_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace brevanta::server {
namespace {

bool StdoutIsJournal() {
    const char* named = std::getenv("JOURNAL_STREAM");
    struct stat status {};
    return named != nullptr && fstat(STDOUT_FILENO, &status) == 0 &&
           IsJournalStream(named, status.st_dev, status.st_ino);
}

}  // namespace

void EmitEvent(std::string_view line, Severity severity) {
    static const bool journal = StdoutIsJournal();
    std::string text = FormatLogLine(line, severity, journal);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace brevanta::server
