#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

#include "loopback.h"
#include "winsock2.h"

// The device's select is an overload, not a macro that renames every select after the header.
#ifdef select
#error "winsock2.h defines select as a macro"
#endif

namespace ce::winsock::test {
namespace {

class WinsockTest : public testing::Test {
protected:
    void SetUp() override {
        WSADATA data{};
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { EXPECT_EQ(WSACleanup(), 0); }
};

TEST(WSAStartup, CountsStartsAndCleanups) {
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
    EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
}

void IgnoringHandler(int) {}

TEST(WSAStartup, IgnoresBrokenPipesUnlessTheProgramChoseOtherwise) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = IgnoringHandler;
    ASSERT_EQ(sigaction(SIGPIPE, &action, nullptr), 0);
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), nullptr), 0);
    struct sigaction current {};
    ASSERT_EQ(sigaction(SIGPIPE, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, &IgnoringHandler);
    ASSERT_EQ(WSACleanup(), 0);

    action.sa_handler = SIG_DFL;
    ASSERT_EQ(sigaction(SIGPIPE, &action, nullptr), 0);
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), nullptr), 0);
    ASSERT_EQ(sigaction(SIGPIPE, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_IGN);
    ASSERT_EQ(WSACleanup(), 0);
}

TEST_F(WinsockTest, SendAfterThePeerClosedFailsWithoutEndingTheProcess) {
    auto [client, server] = ConnectedPair();
    ASSERT_TRUE(client.IsValid() && server.IsValid());
    server.Close();
    // The first sends may still be taken in; once the reset is back, a send fails.
    int result = 0;
    EXPECT_TRUE(WaitUntil([&] {
        result = static_cast<int>(send(client.Get(), "x", 1, 0));
        return result == SOCKET_ERROR;
    }));
    EXPECT_EQ(result, SOCKET_ERROR);
    EXPECT_TRUE(WSAGetLastError() == EPIPE || WSAGetLastError() == ECONNRESET) << WSAGetLastError();
}

// A thread blocked in a receive, for checking that closesocket wakes it.
struct BlockedReceiver {
    std::atomic<pid_t> tid{0};
    std::atomic<bool> returned{false};
    std::atomic<long> result{0};
};

TEST_F(WinsockTest, CloseSocketWakesABlockedReceive) {
    struct Case {
        const char* name;
        bool datagram;
    };
    for (const Case& test : {Case{"recvfrom on udp", true}, Case{"recv on tcp", false}}) {
        SCOPED_TRACE(test.name);
        Socket receiving;
        Socket peer;
        if (test.datagram) {
            receiving = BoundUdp();
        } else {
            std::tie(receiving, peer) = ConnectedPair();
        }
        ASSERT_TRUE(receiving.IsValid());
        const SOCKET fd = receiving.Get();

        auto receiver = std::make_shared<BlockedReceiver>();
        std::thread thread([receiver, fd] {
            receiver->tid = static_cast<pid_t>(syscall(SYS_gettid));
            char buffer[16];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            receiver->result = recvfrom(fd, buffer, sizeof buffer, 0,
                                        reinterpret_cast<sockaddr*>(&from), &fromLength);
            receiver->returned = true;
        });
        ASSERT_TRUE(WaitUntil([&] { return receiver->tid != 0; }));
        ASSERT_TRUE(WaitUntilBlockedIn(receiver->tid, brevanta::test::BlockingCall::kReceiveFrom));

        receiving.Close();
        const bool woke = WaitUntil([&] { return receiver->returned.load(); });
        EXPECT_TRUE(woke);
        if (!woke) {
            thread.detach();  // the receiver keeps its own state alive
            continue;
        }
        thread.join();
        EXPECT_LE(receiver->result, 0);
    }
}

TEST_F(WinsockTest, IoctlSocketSwitchesBlockingAndReportsWaitingBytes) {
    auto [client, server] = ConnectedPair();
    ASSERT_TRUE(client.IsValid() && server.IsValid());

    u_long enable = 1;
    ASSERT_EQ(ioctlsocket(server.Get(), FIONBIO, &enable), 0);
    EXPECT_NE(fcntl(server.Get(), F_GETFL) & O_NONBLOCK, 0);
    char buffer[8];
    EXPECT_EQ(recv(server.Get(), buffer, sizeof buffer, 0), -1);
    EXPECT_TRUE(WSAGetLastError() == EAGAIN || WSAGetLastError() == EWOULDBLOCK);

    ASSERT_EQ(send(client.Get(), "hello", 5, 0), 5);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(server.Get(), &readable);
    const TIMEVAL timeout{10, 0};
    ASSERT_EQ(select(0, &readable, nullptr, nullptr, &timeout), 1);
    // Every bit set, so that a write of only the host's int would leave some of them.
    u_long waiting = ~u_long{0};
    ASSERT_EQ(ioctlsocket(server.Get(), FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, 5u);

    u_long disable = 0;
    ASSERT_EQ(ioctlsocket(server.Get(), FIONBIO, &disable), 0);
    EXPECT_EQ(fcntl(server.Get(), F_GETFL) & O_NONBLOCK, 0);

    EXPECT_EQ(ioctlsocket(-1, FIONBIO, &enable), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), EBADF);
}

}  // namespace
}  // namespace ce::winsock::test

namespace {

// The device's own address comes from its host name, looked up through the host's resolver.
TEST(HostName, ComesWithTheSocketHeaderAndResolves) {
    char name[256] = {};
    ASSERT_EQ(gethostname(name, sizeof name), 0);
    EXPECT_NE(name[0], '\0');
    const hostent* local = gethostbyname("localhost");
    ASSERT_NE(local, nullptr);
    ASSERT_EQ(local->h_addrtype, AF_INET);
    in_addr address{};
    std::memcpy(&address, local->h_addr_list[0], sizeof address);
    EXPECT_STREQ(inet_ntoa(address), "127.0.0.1");
}

}  // namespace
