// The simulator program over real loopback sockets: downloads, several requests on one
// connection, every misbehaviour option, bad requests and names that try to leave the directory.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "brevanta_server_fixture.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST_F(BrevantaServerTest, DownloadsTheExactBytesOfAFile) {
    StartServer();
    TestSocket socket = Connect();
    ASSERT_TRUE(socket.SendAll(FileRequest("kelmaris.cab")));
    TestSocket::Received got = socket.Receive(11 + m_small.size(), kTimeout);
    EXPECT_EQ(got.bytes, Response(m_small));
    EXPECT_FALSE(got.closed);
    // Every line of the connection names the device as the test's socket sees itself.
    sockaddr_in local{};
    socklen_t size = sizeof local;
    ASSERT_EQ(getsockname(socket.Fd(), reinterpret_cast<sockaddr*>(&local), &size), 0);
    const std::string device = "127.0.0.1:" + std::to_string(ntohs(local.sin_port));
    EXPECT_EQ(m_server.WaitFor("accept #1 "), "accept #1 " + device);
    const std::string request = ExpectEvent("request #1 kelmaris.cab");
    EXPECT_EQ(SimulatorProcess::FieldOf(request, "peer"), device);
    const std::string sent = ExpectEvent("sent #1 kelmaris.cab 1000");
    EXPECT_EQ(sent, "sent #1 kelmaris.cab 1000 peer=" + device +
                        " ms=" + SimulatorProcess::FieldOf(sent, "ms"));
    EXPECT_THAT(SimulatorProcess::FieldOf(sent, "ms"), testing::MatchesRegex("[0-9]+"));
    socket = TestSocket();
    EXPECT_EQ(ExpectEvent("closed #1"), "closed #1 peer=" + device);
}

TEST_F(BrevantaServerTest, ServesEveryRequestOfAConnectionInTurn) {
    m_files.WriteFile("empty", "");
    const std::string longName(64, 'L');
    const std::string longFile = m_files.WritePatternFile(longName, 333, 2);
    StartServer();
    TestSocket socket = Connect();
    for (const auto& [request, body] :
         std::vector<std::pair<std::string, std::string>>{{FileRequest("empty"), ""},
                                                          {FileRequest("kelmaris.cab"), m_small},
                                                          {NameMessage("kelmaris.cab"), m_small},
                                                          {FileRequest(longName), longFile}}) {
        ASSERT_TRUE(socket.SendAll(request));
        EXPECT_EQ(socket.Receive(11 + body.size(), kTimeout).bytes, Response(body));
    }
    // Two requests in one segment are both answered, in order.
    ASSERT_TRUE(socket.SendAll(FileRequest(longName) + NameMessage("empty")));
    EXPECT_EQ(socket.Receive(11 + longFile.size() + 11, kTimeout).bytes,
              Response(longFile) + Response(""));
    ExpectEvent("sent #1 empty 0");
}

TEST_F(BrevantaServerTest, SendsA64MiBFileAtLoopbackSpeed) {
    const std::string big = m_files.WritePatternFile("big.bin", 64 << 20, 3);
    StartServer();
    TestSocket socket = Connect();
    const auto start = Clock::now();
    ASSERT_TRUE(socket.SendAll(FileRequest("big.bin")));
    // Compared piece by piece through one buffer, so that the test's own memory traffic (costly
    // under sanitizers) does not count against the server.
    std::string buffer(1 << 20, '\0');
    std::size_t matched = 0;
    const std::size_t total = 11 + big.size();
    while (matched < total && Clock::now() - start < 30s) {
        pollfd entry{socket.Fd(), POLLIN, 0};
        if (poll(&entry, 1, 1000) <= 0) {
            continue;
        }
        // The header first, alone, so that every later read is pure body.
        std::size_t wanted = std::min(buffer.size(), matched < 11 ? 11 - matched : total - matched);
        ssize_t got = recv(socket.Fd(), buffer.data(), wanted, 0);
        ASSERT_GT(got, 0) << "after " << matched << " bytes";
        auto size = static_cast<std::size_t>(got);
        std::string_view piece(buffer.data(), size);
        if (matched < 11) {
            ASSERT_EQ(piece, std::string_view("  671088754").substr(matched, size));
        } else {
            ASSERT_TRUE(piece == std::string_view(big).substr(matched - 11, size))
                << "differs within " << size << " bytes from " << matched;
        }
        matched += size;
    }
    EXPECT_EQ(matched, total);
    // Copying through user space in small pieces would still pass; a stall or a byte-wise loop
    // would not.
    EXPECT_LT(Clock::now() - start, 10s);
}

TEST_F(BrevantaServerTest, ServesManyConnectionsAtOnce) {
    StartServer();
    std::vector<TestSocket> sockets;
    for (int i = 0; i < 16; ++i) {
        sockets.push_back(Connect());
    }
    for (TestSocket& socket : sockets) {
        ASSERT_TRUE(socket.SendAll(FileRequest("kelmaris.cab")));
    }
    for (TestSocket& socket : sockets) {
        EXPECT_EQ(socket.Receive(11 + m_small.size(), kTimeout).bytes, Response(m_small));
    }
}

TEST_F(BrevantaServerTest, ClosesTheConnectionOnBadRequests) {
    StartServer();
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"length not decimal", "     7x5  4" + std::string(64, '\0')},
        {"length below the header", "         54"},
        {"unknown type", "        757" + std::string(64, '\0')},
        {"type 4 not 75 long", "        764" + std::string(65, '\0')},
        {"over the limit", "  999999991"},
        {"slash", FileRequest("sub/kelmaris.cab")},
        {"dot dot", FileRequest("..")},
        {"dot", NameMessage(".")},
        {"empty name", FileRequest("")},
    };
    int id = 0;
    for (const auto& [what, request] : cases) {
        SCOPED_TRACE(what);
        TestSocket::Received got = Exchange(request);
        EXPECT_TRUE(got.closed);
        EXPECT_EQ(got.bytes, "");
        ++id;
        EXPECT_TRUE(m_server.WaitFor("bad #" + std::to_string(id) + " "));
        ExpectEvent("closed #" + std::to_string(id));
    }
}

TEST_F(BrevantaServerTest, RefusesWhatIsNotARegularFileOfTheDirectory) {
    TemporaryDirectory elsewhere;
    elsewhere.WriteFile("secret", "outside");
    ASSERT_EQ(symlink((elsewhere.Path() + "/secret").c_str(), (m_files.Path() + "/out").c_str()),
              0);
    ASSERT_EQ(symlink("../", (m_files.Path() + "/up").c_str()), 0);
    ASSERT_EQ(symlink("kelmaris.cab", (m_files.Path() + "/alias").c_str()), 0);
    ASSERT_EQ(mkdir((m_files.Path() + "/folder").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((m_files.Path() + "/fifo").c_str(), 0644), 0);
    StartServer();

    for (const char* name : {"out", "up", "folder", "fifo"}) {
        SCOPED_TRACE(name);
        TestSocket::Received got = Exchange(FileRequest(name));
        EXPECT_TRUE(got.closed);
        EXPECT_EQ(got.bytes, "");
        EXPECT_TRUE(m_server.WaitFor("bad #"));
    }
    TestSocket::Received missing = Exchange(NameMessage("nothing-here"));
    EXPECT_TRUE(missing.closed);
    EXPECT_EQ(missing.bytes, "");
    EXPECT_TRUE(m_server.WaitFor("missing #5 nothing-here"));

    // A link that stays inside the directory is an ordinary file of it.
    TestSocket socket = Connect();
    ASSERT_TRUE(socket.SendAll(FileRequest("alias")));
    EXPECT_EQ(socket.Receive(11 + m_small.size(), kTimeout).bytes, Response(m_small));
}

// Misbehaviours that change the bytes of the response, each against a 1000-byte file.
struct WireCase {
    const char* name;
    std::vector<std::string> options;
    std::string (*expected)(const std::string& body);
    bool closes;
    const char* event;  // the line the simulator prints for the response
};

void PrintTo(const WireCase& c, std::ostream* out) {
    *out << c.name;
}

class BrevantaServerWireTest : public BrevantaServerTest,
                               public testing::WithParamInterface<WireCase> {};

TEST_P(BrevantaServerWireTest, PutsWhatTheOptionSaysOnTheWire) {
    const WireCase& c = GetParam();
    StartServer(c.options);
    TestSocket socket = Connect();
    ASSERT_TRUE(socket.SendAll(FileRequest("kelmaris.cab")));
    const std::string expected = c.expected(m_small);
    TestSocket::Received got =
        c.closes ? socket.ReceiveUntilClosed(kTimeout) : socket.Receive(expected.size(), kTimeout);
    EXPECT_EQ(got.bytes, expected);
    EXPECT_EQ(got.closed, c.closes);
    ExpectEvent(c.event);
    if (!c.closes) {
        // Nothing more than that, and the connection stays open.
        TestSocket::Received more = socket.Receive(1, kQuietPeriod);
        EXPECT_EQ(more.bytes, "");
        EXPECT_FALSE(more.closed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Misbehaviours, BrevantaServerWireTest,
    testing::Values(
        WireCase{"CloseAfter",
                 {"--close-after", "100"},
                 [](const std::string& b) { return Response(b).substr(0, 111); },
                 true,
                 "cut #1 kelmaris.cab 100"},
        WireCase{"CloseAfterResponse",
                 {"--close-after-response"},
                 Response,
                 true,
                 "sent #1 kelmaris.cab 1000"},
        WireCase{"CloseHeader",
                 {"--close-header", "4"},
                 [](const std::string&) { return std::string("    "); },
                 true,
                 "cut #1 kelmaris.cab 0"},
        WireCase{"Extra",
                 {"--extra", "5"},
                 [](const std::string& b) { return Response(b) + "XXXXX"; },
                 false,
                 "sent #1 kelmaris.cab 1000"},
        WireCase{"Announce",
                 {"--announce", "5"},
                 [](const std::string& b) { return std::string(8, ' ') + "164" + b; },
                 false,
                 "sent #1 kelmaris.cab 1000"},
        WireCase{"RawHeader",
                 {"--raw-header", "12345"},
                 [](const std::string& b) { return "12345" + b; },
                 false,
                 "sent #1 kelmaris.cab 1000"},
        WireCase{
            "ChunksWithoutPause", {"--chunk", "7"}, Response, false, "sent #1 kelmaris.cab 1000"},
        WireCase{"HeaderPiecesThenClose",
                 {"--header-pieces", "3", "--pause", "1", "--close-header", "9"},
                 [](const std::string& b) { return Response(b).substr(0, 9); },
                 true,
                 "cut #1 kelmaris.cab 0"}),
    [](const testing::TestParamInfo<WireCase>& param) { return std::string(param.param.name); });

TEST_F(BrevantaServerTest, RefuseListensOnNothing) {
    StartServer({"--refuse", "--tcp-port", "18898"});
    EXPECT_EQ(m_server.Process().Lines().front(), "ready tcp=refused udp=off");
    int error = 0;
    EXPECT_FALSE(TestSocket::Connect("127.0.0.1", 18898, &error).IsValid());
    EXPECT_EQ(error, ECONNREFUSED);
}

TEST_F(BrevantaServerTest, SilentReadsRequestsButNeverAnswers) {
    StartServer({"--silent"});
    TestSocket socket = Connect();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(socket.SendAll(FileRequest("kelmaris.cab")));
        EXPECT_TRUE(m_server.WaitFor("held #1 kelmaris.cab"));
    }
    TestSocket::Received got = socket.Receive(1, kQuietPeriod);
    EXPECT_EQ(got.bytes, "");
    EXPECT_FALSE(got.closed);
}

// The pauses are lower bounds on how long a response takes; what arrives is still the file.
TEST_F(BrevantaServerTest, ChunksArriveWithPausesBetweenThem) {
    StartServer({"--chunk", "300", "--pause", "60"});
    TestSocket socket = Connect();
    const auto start = Clock::now();
    ASSERT_TRUE(socket.SendAll(FileRequest("kelmaris.cab")));
    EXPECT_EQ(socket.Receive(11 + m_small.size(), kTimeout).bytes, Response(m_small));
    EXPECT_GE(Clock::now() - start, 3 * 60ms);
}

TEST_F(BrevantaServerTest, PauseAloneComesBeforeTheBody) {
    StartServer({"--pause", "400"});
    TestSocket socket = Connect();
    ASSERT_TRUE(socket.SendAll(FileRequest("kelmaris.cab")));
    EXPECT_EQ(socket.Receive(11, kTimeout).bytes, Response(m_small).substr(0, 11));
    const auto headerArrived = Clock::now();
    EXPECT_EQ(socket.Receive(m_small.size(), kTimeout).bytes, m_small);
    EXPECT_GE(Clock::now() - headerArrived, 200ms);
}

TEST_F(BrevantaServerTest, HeaderArrivesInPieces) {
    StartServer({"--header-pieces", "3", "--pause", "150"});
    TestSocket socket = Connect();
    const auto start = Clock::now();
    ASSERT_TRUE(socket.SendAll(FileRequest("kelmaris.cab")));
    pollfd entry{socket.Fd(), POLLIN, 0};
    ASSERT_EQ(poll(&entry, 1, 10000), 1);
    char first[64];
    ssize_t got = recv(socket.Fd(), first, sizeof first, 0);
    EXPECT_EQ(std::string(first, static_cast<std::size_t>(std::max<ssize_t>(got, 0))), "    ");
    EXPECT_EQ(socket.Receive(7 + m_small.size(), kTimeout).bytes, Response(m_small).substr(4));
    EXPECT_GE(Clock::now() - start, 2 * 150ms);
}

TEST_F(BrevantaServerTest, EndsCleanlyOnSigtermEvenMidResponse) {
    StartServer({"--pause", "60000"});
    TestSocket socket = Connect();
    ASSERT_TRUE(socket.SendAll(FileRequest("kelmaris.cab")));
    EXPECT_EQ(socket.Receive(11, kTimeout).bytes.size(), 11u);
    kill(m_server.Process().Pid(), SIGTERM);
    EXPECT_EQ(m_server.Process().WaitForExit(5s), 0);
    EXPECT_TRUE(socket.ReceiveUntilClosed(kTimeout).closed);
}

TEST(BrevantaServerExit, ReportsBadUsageAndPortsItCannotOpen) {
    TemporaryDirectory files;
    auto exitCode = [](std::vector<std::string> argv) {
        argv.insert(argv.begin(), BREVANTA_SERVER_PATH);
        ChildProcess process;
        EXPECT_TRUE(process.Start(argv));
        return process.WaitForExit(10s);
    };
    EXPECT_EQ(exitCode({"--help"}), 0);
    EXPECT_EQ(exitCode({}), 2);
    EXPECT_EQ(exitCode({"--chunk", "0", files.Path()}), 2);
    EXPECT_EQ(exitCode({files.Path() + "/no-such-directory"}), 2);

    TestSocket taken = TestSocket::BindUdp("0.0.0.0", 0);
    sockaddr_in local{};
    socklen_t size = sizeof local;
    getsockname(taken.Fd(), reinterpret_cast<sockaddr*>(&local), &size);
    EXPECT_EQ(exitCode({"--no-transfer", "--udp-port", std::to_string(ntohs(local.sin_port)),
                        files.Path()}),
              1);
}

}  // namespace
}  // namespace brevanta::test
