// The load generator's check of one download: response headers of both protocols as servers
// write them, every byte of the body, and each way a download can go wrong.
#include <gtest/gtest.h>

#include <string>

#include "fleet_load/download_check.h"

namespace brevanta::bench {
namespace {

using State = DownloadCheck::State;

const std::string kFile = "0123456789abcdef";  // 16 bytes
// 11 + 16 = 27, as "%10d" and the type of a file response.
const std::string kTransferHeader = "        274";
const std::string kHttpHeader =
    "HTTP/1.1 200 OK\r\nServer: nginx\r\nContent-Type: application/octet-stream\r\n"
    "Content-Length: 16\r\nConnection: close\r\n\r\n";

DownloadCheck Fed(Protocol protocol, const std::string& bytes) {
    DownloadCheck check(protocol, kFile);
    check.Feed(bytes);
    return check;
}

// --- whole downloads, in any split

TEST(FleetLoadDownloadCheck, AWholeResponseCompletesInEverySplit) {
    for (const auto& [protocol, response] :
         {std::pair{Protocol::kTransfer, kTransferHeader + kFile},
          std::pair{Protocol::kHttp, kHttpHeader + kFile}}) {
        for (std::size_t first = 0; first <= response.size(); ++first) {
            for (std::size_t second = first; second <= response.size(); ++second) {
                DownloadCheck check(protocol, kFile);
                check.Feed(std::string_view(response).substr(0, first));
                check.Feed(std::string_view(response).substr(first, second - first));
                check.Feed(std::string_view(response).substr(second));
                ASSERT_EQ(check.Current(), State::kComplete)
                    << response.substr(0, 20) << " split at " << first << ", " << second << ": "
                    << check.Failure();
                EXPECT_EQ(check.BodyReceived(), kFile.size());
            }
        }
    }
}

TEST(FleetLoadDownloadCheck, AnEmptyFileIsCompleteWithItsHeader) {
    DownloadCheck transfer(Protocol::kTransfer, "");
    transfer.Feed("        114");
    EXPECT_EQ(transfer.Current(), State::kComplete);
    DownloadCheck http(Protocol::kHttp, "");
    http.Feed("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(http.Current(), State::kComplete);
}

TEST(FleetLoadDownloadCheck, HttpHeadersAreReadAsHttpAllowsThem) {
    for (const std::string header : {
             "HTTP/1.0 200 OK\r\ncontent-length:16\r\n\r\n",
             "HTTP/1.1 200\r\nCONTENT-LENGTH: \t16 \r\n\r\n",
             "HTTP/1.1 200 OK\r\nX-Content-Length: 99\r\nContent-Length: 16\r\n\r\n",
         }) {
        SCOPED_TRACE(header);
        DownloadCheck check = Fed(Protocol::kHttp, header + kFile);
        EXPECT_EQ(check.Current(), State::kComplete) << check.Failure();
    }
}

// --- what a check must catch

struct FailureCase {
    const char* name;
    Protocol protocol;
    std::string response;
    const char* failure;
};

TEST(FleetLoadDownloadCheck, CatchesEveryWayTheResponseIsWrong) {
    std::string changed = kFile;
    changed[9] = 'X';
    const std::vector<FailureCase> cases = {
        {"a changed byte", Protocol::kTransfer, kTransferHeader + changed, "differs at byte 9"},
        {"a changed byte over HTTP", Protocol::kHttp, kHttpHeader + changed, "differs at byte 9"},
        {"a byte too many", Protocol::kTransfer, kTransferHeader + kFile + "X",
         "1 bytes beyond the announced size"},
        {"another size", Protocol::kTransfer, "        284" + kFile + "X",
         "announces 17 bytes, the file has 16"},
        {"another size over HTTP", Protocol::kHttp,
         "HTTP/1.1 200 OK\r\nContent-Length: 15\r\n\r\n" + kFile,
         "announces 15 bytes, the file has 16"},
        {"no length", Protocol::kTransfer, "    2x74" + kFile,
         "header \"    2x74012\" does not start with a length"},
        {"a blank length", Protocol::kTransfer, std::string(10, ' ') + "4",
         "header \"          4\" does not start with a length"},
        {"a length below the header", Protocol::kTransfer, "        104",
         "header announces 10, less than itself"},
        {"not found", Protocol::kHttp, "HTTP/1.1 404 Not Found\r\nContent-Length: 16\r\n\r\n",
         "answered \"HTTP/1.1 404 Not Found\""},
        {"a status of four digits", Protocol::kHttp, "HTTP/1.1 2000 OK\r\n\r\n",
         "answered \"HTTP/1.1 2000 OK\""},
        {"not HTTP", Protocol::kHttp, "        274\r\n\r\n", "answered \"        274\""},
        {"no Content-Length", Protocol::kHttp, "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n" + kFile,
         "no Content-Length"},
        {"a Content-Length that is no number", Protocol::kHttp,
         "HTTP/1.1 200 OK\r\nContent-Length: 1e3\r\n\r\n",
         "Content-Length \" 1e3\" is not a number"},
        {"an endless header", Protocol::kHttp, "HTTP/1.1 200 OK\r\n" + std::string(17000, 'h'),
         "HTTP header longer than 16384 bytes"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadCheck check = Fed(c.protocol, c.response);
        EXPECT_EQ(check.Current(), State::kFailed);
        EXPECT_EQ(check.Failure(), c.failure);
    }
}

TEST(FleetLoadDownloadCheck, AChangedByteIsFoundWhereverTheChunkStarts) {
    std::string changed = kFile;
    changed[13] = '?';
    const std::string response = kTransferHeader + changed;
    for (std::size_t split = 0; split <= response.size(); ++split) {
        DownloadCheck check(Protocol::kTransfer, kFile);
        check.Feed(std::string_view(response).substr(0, split));
        check.Feed(std::string_view(response).substr(split));
        EXPECT_EQ(check.Failure(), "differs at byte 13") << "split at " << split;
    }
}

TEST(FleetLoadDownloadCheck, BytesAfterACompleteDownloadFailIt) {
    DownloadCheck check = Fed(Protocol::kHttp, kHttpHeader + kFile);
    ASSERT_EQ(check.Current(), State::kComplete);
    check.Feed("XY");
    EXPECT_EQ(check.Current(), State::kFailed);
    EXPECT_EQ(check.Failure(), "2 bytes beyond the announced size");
}

TEST(FleetLoadDownloadCheck, AnEarlyCloseFailsAndALateOneDoesNot) {
    DownloadCheck inHeader = Fed(Protocol::kTransfer, "       ");
    inHeader.PeerClosed();
    EXPECT_EQ(inHeader.Failure(), "closed before the header was complete");

    DownloadCheck inBody = Fed(Protocol::kTransfer, kTransferHeader + "01234");
    inBody.PeerClosed();
    EXPECT_EQ(inBody.Failure(), "closed after 5 of 16 body bytes");
    EXPECT_EQ(inBody.BodyReceived(), 5u);

    DownloadCheck complete = Fed(Protocol::kHttp, kHttpHeader + kFile);
    complete.PeerClosed();
    EXPECT_EQ(complete.Current(), State::kComplete);
}

TEST(FleetLoadDownloadCheck, TheFirstFailureIsTheOneKept) {
    DownloadCheck check = Fed(Protocol::kTransfer, kTransferHeader + "0123X");
    check.Fail("unfinished after 100 ms");
    check.PeerClosed();
    EXPECT_EQ(check.Failure(), "differs at byte 4");
}

// --- requests

TEST(FleetLoadRequest, IsTheFileRequestOrAnHttpGet) {
    EXPECT_EQ(RequestFor(Protocol::kTransfer, "kelmaris.cab", "10.0.0.2"),
              "        754kelmaris.cab" + std::string(52, '\0'));
    EXPECT_EQ(RequestFor(Protocol::kHttp, "kelmaris.cab", "10.0.0.2"),
              "GET /kelmaris.cab HTTP/1.0\r\nHost: 10.0.0.2\r\nUser-Agent: fleet_load\r\n\r\n");
}

}  // namespace
}  // namespace brevanta::bench
