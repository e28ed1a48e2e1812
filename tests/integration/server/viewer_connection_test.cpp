// CViewerConnection over real loopback sockets, with a stand-in for the application and no
// window. Each test process has a network namespace of its own, so the fixed port is free.
#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <memory>
#include <optional>

#include "application_stub.h"
#include "capture/display_state.h"
#include "net/dead_peer_detection.h"
#include "test_socket.h"
#include "wait_until.h"

namespace {

using namespace std::chrono_literals;
using brevanta::test::TestSocket;
using brevanta::test::WaitUntil;
using Record = ApplicationStub::Record;

constexpr auto kTimeout = 5s;
constexpr std::uint16_t kViewerPort = 23134;

std::string InputRecord(std::uint32_t code, std::uint16_t x, std::uint16_t y) {
    std::string bytes(4, '\xFF');
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>(code >> (8 * i) & 0xFF);
    }
    for (std::uint16_t value : {x, y}) {
        bytes += static_cast<char>(value & 0xFF);
        bytes += static_cast<char>(value >> 8);
    }
    return bytes;
}
const std::string kUpdateRequest = InputRecord(275, 0, 0);

class ViewerConnectionTest : public ::testing::Test {
protected:
    ViewerConnectionTest() {
        m_connection = std::make_unique<CViewerConnection>(m_application, m_application, m_display);
        m_application.Attach(m_connection.get());
    }
    ~ViewerConnectionTest() override { DestroyConnection(); }

    void DestroyConnection() {
        m_application.SetStarted(false);
        m_connection.reset();
        m_application.Attach(nullptr);
    }

    CViewerConnection& Connection() { return *m_connection; }

    static TestSocket Connect(int* error = nullptr) {
        return TestSocket::Connect("127.0.0.1", kViewerPort, error);
    }

    // A viewer that is connected and shown by the window.
    TestSocket ConnectViewer(int expectedConnected = 1) {
        TestSocket viewer = Connect();
        EXPECT_TRUE(viewer.IsValid());
        EXPECT_TRUE(m_application.WaitFor(
            [&](const Record& r) { return r.connected == expectedConnected; }));
        return viewer;
    }

    bool Refused() {
        int error = 0;
        TestSocket attempt = Connect(&error);
        return !attempt.IsValid() && error == ECONNREFUSED;
    }

    // A listening period ends with its slot emptied and then its listener shut down, a moment
    // later (longer under emulation): only a refused connection tells that the port is free.
    bool WaitForTheListenerToEnd() {
        return WaitUntil([&] { return !Connection().IsListening() && Refused(); }, kTimeout);
    }

    DisplayState m_display;  // 240x320, mode 0x30, as before the first capture setup
    ApplicationStub m_application;

private:
    std::unique_ptr<CViewerConnection> m_connection;
};

TEST_F(ViewerConnectionTest, ServesOneViewerAtATime) {
    EXPECT_EQ(Connection().SendFrame(reinterpret_cast<const BYTE*>("x"), 1),
              CViewerConnection::kNoViewer);
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    EXPECT_EQ(Connection().StartListening(), CViewerConnection::kAlreadyListening);

    TestSocket viewer = ConnectViewer();
    EXPECT_EQ(m_application.Snapshot().label, u"Client: 127.0.0.1");
    EXPECT_TRUE(WaitForTheListenerToEnd()) << "nothing listens while a viewer is connected";
    EXPECT_TRUE(Connection().HasViewer());
    EXPECT_EQ(m_application.Snapshot().gone, 0);
}

TEST_F(ViewerConnectionTest, ClicksAndFramesTravelBothWays) {
    m_display.mode = 0x10;
    std::vector<BYTE> payload(1234);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<BYTE>(i * 7);
    }
    m_application.SetUpdate(payload);
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    TestSocket viewer = ConnectViewer();

    ASSERT_TRUE(viewer.SendAll(InputRecord(0x201, 120, 319) + InputRecord(0x202, 120, 319)));
    const auto frame = viewer.Receive(10 + payload.size(), kTimeout);
    ASSERT_EQ(frame.bytes.size(), 10 + payload.size());
    EXPECT_EQ(frame.bytes.substr(0, 10), "\x10     1244");
    EXPECT_EQ(frame.bytes.substr(10), std::string(payload.begin(), payload.end()));

    ASSERT_TRUE(m_application.WaitFor([](const Record& r) { return r.sendResults.size() == 1; }));
    const Record record = m_application.Snapshot();
    EXPECT_EQ(record.mouse, (std::vector<std::string>{std::to_string(0x8002) + " 32767,65330",
                                                      std::to_string(0x8004) + " 32767,65330"}));
    EXPECT_EQ(record.updates, 1) << "one update for the chunk";
    EXPECT_EQ(record.sendResults, std::vector<int>{CViewerConnection::kSent});
}

TEST_F(ViewerConnectionTest, AViewerLeavingIsReportedOnceAndListeningResumes) {
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    { TestSocket viewer = ConnectViewer(); }
    ASSERT_TRUE(m_application.WaitFor([](const Record& r) { return r.gone == 1; }));
    EXPECT_EQ(m_application.Snapshot().listenResults,
              std::vector<int>{CViewerConnection::kListening});
    EXPECT_FALSE(Connection().HasViewer());

    TestSocket next = ConnectViewer(2);
    ASSERT_TRUE(next.SendAll(kUpdateRequest));
    ASSERT_TRUE(m_application.WaitFor([](const Record& r) { return r.updates == 1; }));
    EXPECT_EQ(m_application.Snapshot().gone, 1) << "the first viewer is reported gone only once";
}

TEST_F(ViewerConnectionTest, StopWhileConnectedEndsTheViewerAndListensNoMore) {
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    TestSocket viewer = ConnectViewer();
    m_application.SetStarted(false);
    Connection().Close();

    ASSERT_TRUE(m_application.WaitFor([](const Record& r) { return r.gone == 1; }));
    EXPECT_TRUE(viewer.ReceiveUntilClosed(kTimeout).closed);
    EXPECT_TRUE(m_application.Snapshot().listenResults.empty());
    EXPECT_FALSE(Connection().IsListening());
    EXPECT_TRUE(Refused());
}

// The server side closes first and its end of the connection stays in TIME_WAIT; listening
// again at once must still bind the port.
TEST_F(ViewerConnectionTest, ListensAgainRightAfterClosingAViewer) {
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    {
        TestSocket viewer = ConnectViewer();
        m_application.SetStarted(false);
        Connection().Close();
        ASSERT_TRUE(viewer.ReceiveUntilClosed(kTimeout).closed);
    }
    ASSERT_TRUE(m_application.WaitFor([](const Record& r) { return r.gone == 1; }));
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    TestSocket next = ConnectViewer(2);
}

TEST_F(ViewerConnectionTest, AFailedSendReportsTheViewerGoneOnTheSendingThread) {
    TestSocket viewer;
    std::atomic<bool> viewerReset{false};
    // The viewer resets its connection while the window is about to send.
    m_application.SetUpdate(std::vector<BYTE>(64 * 1024, 0x5A),
                            [&] { WaitUntil([&] { return viewerReset.load(); }, kTimeout); });
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    viewer = ConnectViewer();
    ASSERT_TRUE(viewer.SendAll(kUpdateRequest));
    ASSERT_TRUE(m_application.WaitFor([](const Record& r) { return r.updates == 1; }));
    const linger reset{1, 0};
    setsockopt(viewer.Fd(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    viewer = TestSocket();
    viewerReset = true;

    ASSERT_TRUE(m_application.WaitFor([](const Record& r) { return r.gone == 2; }));
    const Record record = m_application.Snapshot();
    EXPECT_EQ(record.sendResults, std::vector<int>{CViewerConnection::kSendFailed});
    EXPECT_EQ(record.goneInsideSend, 1);
    EXPECT_EQ(record.listenResults, (std::vector<int>{CViewerConnection::kListening,
                                                      CViewerConnection::kAlreadyListening}));
    ConnectViewer(2);
}

TEST_F(ViewerConnectionTest, AViewerThatStopsReadingIsEndedWithinTheSendTimeout) {
    // More than the socket buffers between the ends can hold; a fixed small receive buffer keeps
    // the viewer's window from growing while it does not read.
    m_application.SetUpdate(std::vector<BYTE>(16 * 1024 * 1024, 0x5A), [] {});
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    TestSocket viewer = ConnectViewer();
    const int small = 4096;
    setsockopt(viewer.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    ASSERT_TRUE(viewer.SendAll(kUpdateRequest));
    // Each send that makes no progress for the timeout fails; a trickle of progress can make a
    // few of them succeed in part first, but the send path ends within a bound.
    EXPECT_TRUE(WaitUntil([&] { return !m_application.Snapshot().sendResults.empty(); },
                          std::chrono::seconds(kSendTimeoutSeconds * 10)));
    const Record record = m_application.Snapshot();
    EXPECT_EQ(record.sendResults, std::vector<int>{CViewerConnection::kSendFailed});
    EXPECT_EQ(record.goneInsideSend, 1);
}

TEST_F(ViewerConnectionTest, AViewerArrivingWhileOneIsMarkedConnectedReplacesIt) {
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    TestSocket first = ConnectViewer();
    ASSERT_TRUE(WaitForTheListenerToEnd());
    m_application.SetStarted(false);
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);

    TestSocket second = Connect();
    ASSERT_TRUE(second.IsValid());
    EXPECT_TRUE(first.ReceiveUntilClosed(kTimeout).closed);
    const auto closed = std::chrono::steady_clock::now();
    ASSERT_TRUE(m_application.WaitFor([](const Record& r) { return r.connected == 2; }));
    EXPECT_GE(std::chrono::steady_clock::now() - closed, 150ms) << "the pause after replacing";

    // The first viewer's thread leaves the second one alone: it still gets its frames.
    m_application.SetUpdate({1, 2, 3});
    ASSERT_TRUE(second.SendAll(kUpdateRequest));
    EXPECT_EQ(second.Receive(13, kTimeout).bytes.size(), 13u);
    EXPECT_TRUE(Connection().HasViewer());
    EXPECT_LE(m_application.Snapshot().gone, 1);
}

// Finds the server's end of the connection among the process's descriptors.
std::optional<int> ServerEndOf(const TestSocket& viewer) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    getsockname(viewer.Fd(), reinterpret_cast<sockaddr*>(&local), &length);
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        length = sizeof peer;
        if (fd != viewer.Fd() &&
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 &&
            peer.sin_family == AF_INET && peer.sin_port == local.sin_port) {
            return fd;
        }
    }
    return std::nullopt;
}

int Option(int fd, int level, int name) {
    int value = -1;
    socklen_t length = sizeof value;
    getsockopt(fd, level, name, &value, &length);
    return value;
}

TEST_F(ViewerConnectionTest, TheViewerSocketDetectsADeadPeerAndSendsWithoutDelay) {
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    TestSocket viewer = ConnectViewer();
    const auto serverEnd = ServerEndOf(viewer);
    ASSERT_TRUE(serverEnd.has_value());
    EXPECT_EQ(Option(*serverEnd, SOL_SOCKET, SO_KEEPALIVE), 1);
    const int idle = Option(*serverEnd, IPPROTO_TCP, TCP_KEEPIDLE);
    const int interval = Option(*serverEnd, IPPROTO_TCP, TCP_KEEPINTVL);
    const int probes = Option(*serverEnd, IPPROTO_TCP, TCP_KEEPCNT);
    EXPECT_GT(idle, 0);
    EXPECT_GT(probes, 0);
    EXPECT_LE(idle + interval * probes, 30);
    const int userTimeout = Option(*serverEnd, IPPROTO_TCP, TCP_USER_TIMEOUT);
    EXPECT_GT(userTimeout, 0);
    EXPECT_LE(userTimeout, 30000);
    EXPECT_EQ(Option(*serverEnd, IPPROTO_TCP, TCP_NODELAY), 1) << "a frame's payload waits";
}

TEST_F(ViewerConnectionTest, DestructionWaitsForTheThreads) {
    ASSERT_EQ(Connection().StartListening(), CViewerConnection::kListening);
    TestSocket viewer = ConnectViewer();
    DestroyConnection();
    EXPECT_EQ(m_application.Snapshot().gone, 1) << "the receive thread had reported before the end";
    EXPECT_TRUE(viewer.ReceiveUntilClosed(kTimeout).closed);
}

}  // namespace
