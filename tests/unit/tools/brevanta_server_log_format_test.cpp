// How event lines are written for a terminal or pipe and for the journal.
#include <gtest/gtest.h>

#include "brevanta-server/log_format.h"

namespace brevanta::server {
namespace {

// systemd writes JOURNAL_STREAM as the stream's device and inode numbers, "%lu:%lu".
TEST(BrevantaServerLogFormat, JournalStreamMustNameThisVeryStream) {
    EXPECT_TRUE(IsJournalStream("64769:1234567", 64769, 1234567));
    EXPECT_FALSE(IsJournalStream("64769:1234567", 64769, 1234568)) << "another inode";
    EXPECT_FALSE(IsJournalStream("64770:1234567", 64769, 1234567)) << "another device";
    for (const char* malformed : {"", ":", "64769", "64769:", ":1234567", "64769:1234567x",
                                  " 64769:1234567", "64769:-1", "0x1:1"}) {
        SCOPED_TRACE(malformed);
        EXPECT_FALSE(IsJournalStream(malformed, 64769, 1234567));
    }
    EXPECT_TRUE(IsJournalStream("0:0", 0, 0));
}

TEST(BrevantaServerLogFormat, ThePriorityPrefixIsOnlyForTheJournal) {
    EXPECT_EQ(FormatLogLine("sent #1 a 5 peer=10.0.0.1:40000 ms=3", Severity::kInfo, false),
              "sent #1 a 5 peer=10.0.0.1:40000 ms=3\n");
    EXPECT_EQ(FormatLogLine("bad #2 empty name", Severity::kWarning, false), "bad #2 empty name\n");
    // sd-daemon(3): <6> informational, <4> warning, <3> error.
    EXPECT_EQ(FormatLogLine("ready tcp=18898 udp=52423", Severity::kInfo, true),
              "<6>ready tcp=18898 udp=52423\n");
    EXPECT_EQ(FormatLogLine("missing #3 x", Severity::kWarning, true), "<4>missing #3 x\n");
    EXPECT_EQ(FormatLogLine("error accept: Too many open files", Severity::kError, true),
              "<3>error accept: Too many open files\n");
}

}  // namespace
}  // namespace brevanta::server
