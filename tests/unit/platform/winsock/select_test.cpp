#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "loopback.h"
#include "winsock2.h"

namespace ce::winsock::test {
namespace {

using Clock = std::chrono::steady_clock;

const TIMEVAL kLongWait{10, 0};  // only reached when something is broken

std::chrono::nanoseconds ThreadCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

class SelectTest : public testing::Test {
protected:
    void SetUp() override {
        WSADATA data{};
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        FD_ZERO(&m_read);
        FD_ZERO(&m_write);
        FD_ZERO(&m_error);
    }
    void TearDown() override { EXPECT_EQ(WSACleanup(), 0); }

    int Select(const TIMEVAL& timeout) { return select(0, &m_read, &m_write, &m_error, &timeout); }

    // A non-blocking socket that has started to connect to `port`.
    static Socket StartConnect(std::uint16_t port) {
        Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        u_long nonBlocking = 1;
        if (!socket.IsValid() || ioctlsocket(socket.Get(), FIONBIO, &nonBlocking) != 0) {
            return Socket();
        }
        const sockaddr_in address = LoopbackAddress(port);
        const int result =
            connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(errno, EINPROGRESS);
        return socket;
    }

    fd_set m_read;
    fd_set m_write;
    fd_set m_error;
};

TEST_F(SelectTest, RefusedConnectLandsInTheErrorSetOnly) {
    const Socket socket = StartConnect(ClosedPort());
    ASSERT_TRUE(socket.IsValid());
    FD_SET(socket.Get(), &m_write);
    FD_SET(socket.Get(), &m_error);
    EXPECT_EQ(Select(kLongWait), 1);
    EXPECT_TRUE(FD_ISSET(socket.Get(), &m_error));
    EXPECT_FALSE(FD_ISSET(socket.Get(), &m_write));

    int error = 0;
    socklen_t length = sizeof error;
    ASSERT_EQ(getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &error, &length), 0);
    EXPECT_EQ(error, ECONNREFUSED);
}

TEST_F(SelectTest, RefusedConnectIsNeverWritable) {
    const Socket socket = StartConnect(ClosedPort());
    ASSERT_TRUE(socket.IsValid());
    FD_SET(socket.Get(), &m_write);
    const auto start = Clock::now();
    EXPECT_EQ(Select(TIMEVAL{0, 100000}), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_FALSE(FD_ISSET(socket.Get(), &m_write));
}

TEST_F(SelectTest, AcceptedConnectIsWritable) {
    const Socket listener = Listen();
    ASSERT_TRUE(listener.IsValid());
    const Socket socket = StartConnect(LocalPort(listener.Get()));
    ASSERT_TRUE(socket.IsValid());
    FD_SET(socket.Get(), &m_write);
    FD_SET(socket.Get(), &m_error);
    EXPECT_EQ(Select(kLongWait), 1);
    EXPECT_TRUE(FD_ISSET(socket.Get(), &m_write));
    EXPECT_FALSE(FD_ISSET(socket.Get(), &m_error));
}

TEST_F(SelectTest, PeerCloseMakesTheSocketReadable) {
    auto [client, server] = ConnectedPair();
    ASSERT_TRUE(client.IsValid() && server.IsValid());
    server.Close();
    FD_SET(client.Get(), &m_read);
    EXPECT_EQ(Select(kLongWait), 1);
    EXPECT_TRUE(FD_ISSET(client.Get(), &m_read));
    char byte = 0;
    EXPECT_EQ(recv(client.Get(), &byte, 1, 0), 0);
}

TEST_F(SelectTest, CountsEachReadySetOfADescriptor) {
    auto [client, server] = ConnectedPair();
    ASSERT_TRUE(client.IsValid() && server.IsValid());
    ASSERT_EQ(send(server.Get(), "x", 1, 0), 1);
    FD_SET(client.Get(), &m_read);
    FD_SET(client.Get(), &m_write);
    FD_SET(client.Get(), &m_error);
    FD_SET(server.Get(), &m_read);
    EXPECT_EQ(Select(kLongWait), 2);
    EXPECT_TRUE(FD_ISSET(client.Get(), &m_read));
    EXPECT_TRUE(FD_ISSET(client.Get(), &m_write));
    EXPECT_FALSE(FD_ISSET(client.Get(), &m_error));
    EXPECT_FALSE(FD_ISSET(server.Get(), &m_read));
}

TEST_F(SelectTest, TimesOutWithEmptySets) {
    auto [client, server] = ConnectedPair();
    ASSERT_TRUE(client.IsValid() && server.IsValid());
    FD_SET(client.Get(), &m_read);
    FD_SET(server.Get(), &m_read);
    const auto start = Clock::now();
    EXPECT_EQ(Select(TIMEVAL{0, 120000}), 0);
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(120));
    EXPECT_LT(elapsed, std::chrono::seconds(2));
    EXPECT_FALSE(FD_ISSET(client.Get(), &m_read));
    EXPECT_FALSE(FD_ISSET(server.Get(), &m_read));
}

// Poll reports a hang-up for a TCP socket that never connected; the device's select keeps
// waiting on it, for the timeout or for another socket.
TEST_F(SelectTest, UnconnectedSocketDoesNotEndTheWait) {
    const Socket unconnected(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_TRUE(unconnected.IsValid());
    FD_SET(unconnected.Get(), &m_read);
    FD_SET(unconnected.Get(), &m_write);
    const auto start = Clock::now();
    const auto cpuStart = ThreadCpuTime();
    EXPECT_EQ(Select(TIMEVAL{0, 100000}), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
    // It waits rather than polls again and again.
    EXPECT_LT(ThreadCpuTime() - cpuStart, std::chrono::milliseconds(30));

    const Socket datagrams = BoundUdp();
    ASSERT_TRUE(datagrams.IsValid());
    FD_ZERO(&m_read);
    FD_SET(unconnected.Get(), &m_read);
    FD_SET(datagrams.Get(), &m_read);
    const auto selecting = static_cast<pid_t>(syscall(SYS_gettid));
    const std::uint16_t port = LocalPort(datagrams.Get());
    std::thread sender([selecting, port] {
        if (WaitUntilBlockedIn(selecting, brevanta::test::BlockingCall::kPoll)) {
            const Socket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
            const sockaddr_in address = LoopbackAddress(port);
            sendto(socket.Get(), "x", 1, 0, reinterpret_cast<const sockaddr*>(&address),
                   sizeof address);
        }
    });
    EXPECT_EQ(Select(kLongWait), 1);
    sender.join();
    EXPECT_TRUE(FD_ISSET(datagrams.Get(), &m_read));
    EXPECT_FALSE(FD_ISSET(unconnected.Get(), &m_read));
}

TEST_F(SelectTest, RefusesEmptySetsAndClosedDescriptors) {
    EXPECT_EQ(Select(TIMEVAL{0, 0}), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), EINVAL);
    EXPECT_EQ(select(0, nullptr, nullptr, nullptr, &kLongWait), SOCKET_ERROR);

    Socket closed(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const SOCKET fd = closed.Get();
    closed.Close();
    FD_SET(fd, &m_read);
    EXPECT_EQ(Select(kLongWait), SOCKET_ERROR);
}

}  // namespace
}  // namespace ce::winsock::test
