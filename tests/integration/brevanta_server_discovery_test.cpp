// Discovery against the simulator program: on loopback for the reply rules, and across the
// namespace pair for the broadcast a device really sends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "netns_harness.h"
#include "private_network.h"
#include "simulator_process.h"
#include "test_files.h"
#include "test_socket.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kTimeout = 10s;

std::uint16_t LocalPort(const TestSocket& socket) {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    getsockname(socket.Fd(), reinterpret_cast<sockaddr*>(&local), &size);
    return ntohs(local.sin_port);
}

bool HasLine(SimulatorProcess& server, const std::string& line) {
    return server.Process()
        .WaitForLine([&](const std::string& l) { return l == line; }, kTimeout)
        .has_value();
}

class BrevantaServerDiscoveryTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_replies.IsValid());
        ASSERT_TRUE(m_sender.IsValid());
        std::string error;
        ASSERT_TRUE(m_server.Start(
            BREVANTA_SERVER_PATH,
            {"--no-transfer", "--udp-port", "0", "--reply-port",
             std::to_string(LocalPort(m_replies)), "--reply", "hello there", m_files.Path()},
            &error))
            << error;
        m_source = "discovery 127.0.0.1:" + std::to_string(LocalPort(m_sender));
    }

    TemporaryDirectory m_files;
    TestSocket m_replies = TestSocket::BindUdp("127.0.0.1", 0);
    TestSocket m_sender = TestSocket::BindUdp("127.0.0.1", 0);
    SimulatorProcess m_server;
    std::string m_source;
};

TEST_F(BrevantaServerDiscoveryTest, AnswersEveryTokenAtTheReplyPortOfItsSource) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_sender.SendTo("kelmaris", "127.0.0.1", m_server.UdpPort()));
    }
    for (int i = 0; i < 3; ++i) {
        std::optional<TestSocket::Datagram> reply = m_replies.ReceiveDatagram(kTimeout);
        ASSERT_TRUE(reply) << i;
        EXPECT_EQ(reply->bytes, "hello there");
        EXPECT_EQ(reply->sourceAddress, "127.0.0.1");
        EXPECT_EQ(reply->sourcePort, m_server.UdpPort());
        EXPECT_TRUE(HasLine(m_server, m_source + " replied"));
    }
    // Replies go to the reply port, never back to the port the token came from.
    EXPECT_FALSE(m_sender.ReceiveDatagram(0ms));
}

TEST_F(BrevantaServerDiscoveryTest, IgnoresDatagramsThatAreNotExactlyTheToken) {
    for (const std::string& datagram :
         {std::string("kelmari"), std::string("kelmarisx"), std::string("KELMARIS"),
          std::string("kelmaris\0", 9), std::string()}) {
        ASSERT_TRUE(m_sender.SendTo(datagram, "127.0.0.1", m_server.UdpPort()));
        EXPECT_TRUE(
            HasLine(m_server, m_source + " ignored " + std::to_string(datagram.size()) + " bytes"));
    }
    // A reply to any of them would have been sent, and so queued, before this one.
    ASSERT_TRUE(m_sender.SendTo("kelmaris", "127.0.0.1", m_server.UdpPort()));
    EXPECT_TRUE(m_replies.ReceiveDatagram(kTimeout));
    EXPECT_FALSE(m_replies.ReceiveDatagram(0ms));
}

TEST(BrevantaServerDiscoveryBroadcast, AnswersTheDeviceBroadcastByUnicast) {
    if (!CanManageNamespaces()) {
        GTEST_SKIP() << "needs root to make network namespaces";
    }
    NetnsPair pair;
    std::string error;
    ASSERT_TRUE(pair.Create(&error)) << error;
    TemporaryDirectory files;
    SimulatorProcess server;
    ASSERT_TRUE(server.Start(BREVANTA_SERVER_PATH, {"--no-transfer", files.Path()}, &error,
                             pair.ServerPath()))
        << error;

    TestSocket replies;
    TestSocket sender;
    {
        auto device = pair.EnterDevice();
        ASSERT_TRUE(device);
        replies = TestSocket::BindUdp("0.0.0.0", 52422);
        sender = TestSocket::BindUdp("0.0.0.0", 0, true);
    }
    ASSERT_TRUE(replies.IsValid());
    ASSERT_TRUE(sender.IsValid());
    const std::string source = "discovery " + std::string(NetnsPair::kDeviceAddress) + ":" +
                               std::to_string(LocalPort(sender));

    for (const char* wrong : {"kelmari", "kelmarisk"}) {
        ASSERT_TRUE(sender.SendTo(wrong, "255.255.255.255", 52423));
        EXPECT_TRUE(
            HasLine(server, source + " ignored " + std::to_string(std::strlen(wrong)) + " bytes"));
    }
    ASSERT_TRUE(sender.SendTo("kelmaris", "255.255.255.255", 52423));
    std::optional<TestSocket::Datagram> reply = replies.ReceiveDatagram(kTimeout);
    ASSERT_TRUE(reply);
    EXPECT_FALSE(reply->bytes.empty());
    EXPECT_LE(reply->bytes.size(), 1024u);
    EXPECT_EQ(reply->sourceAddress, NetnsPair::kServerAddress);
    EXPECT_TRUE(HasLine(server, source + " replied"));
    EXPECT_FALSE(replies.ReceiveDatagram(0ms));
}

}  // namespace
}  // namespace brevanta::test
