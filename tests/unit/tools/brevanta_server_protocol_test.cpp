// The simulator's wire format: response headers, and requests collected from any split of the
// byte stream, with every kind of bad input refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "brevanta-server/protocol.h"
#include "transfer_wire.h"

namespace brevanta::server {
namespace {

using brevanta::test::FileRequest;
using brevanta::test::NameMessage;

std::vector<std::string> ReadAll(RequestReader& reader) {
    std::vector<std::string> names;
    Request request;
    std::string reason;
    RequestReader::Status status;
    while ((status = reader.Next(&request, &reason)) == RequestReader::Status::kRequest) {
        names.push_back(request.name);
    }
    EXPECT_EQ(status, RequestReader::Status::kNeedMore) << reason;
    return names;
}

TEST(BrevantaServerHeader, FormatsLengthAsTenPaddedDigitsThenType) {
    EXPECT_EQ(FormatHeader(75, '4'), "        754");
    EXPECT_EQ(FormatHeader(11, '4'), "        114");
    EXPECT_EQ(FormatHeader(11 + 64 * 1024 * 1024, '4'), "  671088754");
    EXPECT_EQ(FormatHeader(9'999'999'999, '1'), "99999999991");
    EXPECT_EQ(FormatHeader(10'000'000'000, '4'), std::nullopt);
}

TEST(BrevantaServerHeader, ParsesSpacePaddedAndZeroPaddedLengths) {
    struct Case {
        std::string bytes;
        std::uint64_t length;
        char type;
    };
    for (const Case& c : std::vector<Case>{{"        754", 75, '4'},
                                           {"00000000751", 75, '1'},
                                           {"99999999994", 9'999'999'999, '4'},
                                           {"         0Z", 0, 'Z'}}) {
        std::string error;
        std::optional<Header> header = ParseHeader(c.bytes, &error);
        ASSERT_TRUE(header) << c.bytes << ": " << error;
        EXPECT_EQ(header->length, c.length) << c.bytes;
        EXPECT_EQ(header->type, c.type) << c.bytes;
    }
}

TEST(BrevantaServerHeader, RefusesLengthsThatAreNotPlainDecimal) {
    for (const std::string& bytes :
         {std::string("          4"), std::string("       -754"), std::string("       +754"),
          std::string("      7 574"), std::string("75        4"), std::string("0x0000004b4"),
          std::string("\0\0\0\0\0\0\0\0\0\0"
                      "4",
                      11),
          std::string("        754").substr(0, 10)}) {
        std::string error;
        EXPECT_FALSE(ParseHeader(bytes, &error)) << '"' << EscapeName(bytes) << '"';
        EXPECT_FALSE(error.empty());
    }
}

TEST(BrevantaServerRequests, ReadsFileRequestsAndNameMessages) {
    RequestReader reader;
    const std::string longest(64, 'n');
    reader.Append(FileRequest("kelmaris.cab") + FileRequest(longest) + NameMessage("a b.txt"));
    EXPECT_EQ(ReadAll(reader), (std::vector<std::string>{"kelmaris.cab", longest, "a b.txt"}));
    EXPECT_EQ(reader.Buffered(), 0u);
}

TEST(BrevantaServerRequests, NameEndsAtTheFirstZeroOfTheField) {
    std::string request = FileRequest("abc");
    request.replace(11 + 4, 3, "xyz");
    RequestReader reader;
    reader.Append(request);
    EXPECT_EQ(ReadAll(reader), std::vector<std::string>{"abc"});
}

TEST(BrevantaServerRequests, CollectsRequestsSplitAtEveryPossiblePoint) {
    const std::string stream = FileRequest("first.bin") + NameMessage("second.bin");
    for (std::size_t split = 1; split < stream.size(); ++split) {
        RequestReader reader;
        reader.Append(stream.substr(0, split));
        std::vector<std::string> names = ReadAll(reader);
        reader.Append(stream.substr(split));
        for (const std::string& name : ReadAll(reader)) {
            names.push_back(name);
        }
        EXPECT_EQ(names, (std::vector<std::string>{"first.bin", "second.bin"})) << split;
    }
    RequestReader byteByByte;
    std::vector<std::string> names;
    for (char c : stream) {
        byteByByte.Append(std::string_view(&c, 1));
        for (const std::string& name : ReadAll(byteByByte)) {
            names.push_back(name);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"first.bin", "second.bin"}));
}

TEST(BrevantaServerRequests, RefusesBadInputAsSoonAsItShows) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"length not decimal", "     7x5  4" + std::string(64, '\0')},
        {"length blank", std::string(10, ' ') + "4"},
        {"length below header", "         54"},
        {"length zero", "         04"},
        {"unknown type", "        757" + std::string(64, '\0')},
        {"type 4 shorter than 75", "        744" + std::string(63, '\0')},
        {"type 4 longer than 75, header only", "        764"},
        {"name message over the limit, header only", "   10000001"},
        {"huge type 4, header only", "99999999994"},
        {"slash", FileRequest("../etc/passwd")},
        {"slash in name message", NameMessage("a/b")},
        {"dot", FileRequest(".")},
        {"dot dot", FileRequest("..")},
        {"dot dot in name message", NameMessage("..")},
        {"empty name", FileRequest("")},
        {"empty name message", NameMessage("")},
        {"zero byte in name message", NameMessage(std::string("a\0b", 3))},
    };
    for (const Case& c : cases) {
        RequestReader reader;
        reader.Append(c.bytes);
        Request request;
        std::string reason;
        EXPECT_EQ(reader.Next(&request, &reason), RequestReader::Status::kBad) << c.what;
        EXPECT_FALSE(reason.empty()) << c.what;
    }
}

TEST(BrevantaServerRequests, BadRequestAfterGoodOnesIsSeenInTurn) {
    RequestReader reader;
    reader.Append(FileRequest("ok") + FileRequest(".."));
    Request request;
    std::string reason;
    ASSERT_EQ(reader.Next(&request, &reason), RequestReader::Status::kRequest);
    EXPECT_EQ(request.name, "ok");
    EXPECT_EQ(request.type, '4');
    EXPECT_EQ(reader.Next(&request, &reason), RequestReader::Status::kBad);
}

TEST(BrevantaServerNames, ChecksAndEscapesNames) {
    EXPECT_EQ(CheckName("kelmaris.cab"), std::nullopt);
    EXPECT_EQ(CheckName("...hidden"), std::nullopt);
    EXPECT_NE(CheckName("a/"), std::nullopt);
    EXPECT_EQ(EscapeName("a b\n\\\x7f\xc3\xa9"), "a\\x20b\\x0a\\x5c\\x7f\xc3\xa9");
}

}  // namespace
}  // namespace brevanta::server
