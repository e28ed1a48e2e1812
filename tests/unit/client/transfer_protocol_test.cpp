#include "net/transfer_protocol.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TransferProtocol, HeaderIsTenRightAlignedDigitsAndType) {
    char header[transfer::kHeaderSize];
    transfer::FormatHeader(header, 75, '4');
    EXPECT_EQ(std::string(header, sizeof header), "        754");
    transfer::FormatHeader(header, 11 + 65536, '1');
    EXPECT_EQ(std::string(header, sizeof header), "     655471");
    transfer::FormatHeader(header, 2147483647, '4');
    EXPECT_EQ(std::string(header, sizeof header), "21474836474");
}

TEST(TransferProtocol, TotalLengthReading) {
    struct Case {
        const char* header;
        std::int64_t total;
    };
    const Case cases[] = {
        {"        754", 75},
        {"        11x", 11},
        {"12345678901", 1234567890},    // the type character is not read
        {"9999999999 ", 9999999999LL},  // more than 32 bits
        {"0000000523F", 523},
        {"  12 34   4", 12},  // the number ends at the first non-digit
        {"          4", 0},   // no digits
        {"  -12     4", 0},   // a sign is not a digit
        {"\t       124", 0},  // only spaces are skipped
        {"abc     124", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(transfer::ParseTotalLength(c.header), c.total) << '"' << c.header << '"';
    }
}

}  // namespace
