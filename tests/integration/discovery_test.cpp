// Discovery inside a pair of network namespaces: the device side runs the client's sender and
// listener, the server side a plain socket or the provisioning server simulator.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "child_process.h"
#include "net/broadcast_listener.h"
#include "net/broadcast_sender.h"
#include "netns_harness.h"
#include "private_network.h"
#include "test_socket.h"

namespace {

using namespace std::chrono_literals;
using brevanta::test::NetnsPair;
using brevanta::test::TestSocket;

constexpr std::uint16_t kTokenPort = 52423;
constexpr std::uint16_t kReplyPort = 52422;

// A window of the test thread that records every MSG_SERVER_FOUND it handles.
class ReportWindow {
public:
    ReportWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &ReportWindow::Procedure;
        windowClass.lpszClassName = u"DiscoveryReports";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, u"DiscoveryReports", u"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // The tick wakes the message loop so that it can check its deadline.
        SetTimer(m_window, 1, 20, nullptr);
    }
    ~ReportWindow() {
        DestroyWindow(m_window);
        UnregisterClassW(u"DiscoveryReports", nullptr);
    }
    ReportWindow(const ReportWindow&) = delete;
    ReportWindow& operator=(const ReportWindow&) = delete;

    HWND Handle() const { return m_window; }
    const std::vector<std::string>& Reports() const { return m_reports; }
    std::function<void()> m_onReport;

    // Handles messages until the count of reports reaches the number or the time is up.
    bool PumpUntilReports(std::size_t count, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        MSG message;
        while (m_reports.size() < count && std::chrono::steady_clock::now() < deadline &&
               GetMessageW(&message, nullptr, 0, 0) > 0) {
            DispatchMessageW(&message);
        }
        return m_reports.size() >= count;
    }

private:
    static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ReportWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == MSG_SERVER_FOUND && self != nullptr) {
            EXPECT_EQ(wParam, 0u);
            const char* buffer = reinterpret_cast<const char*>(lParam);
            self->m_reports.emplace_back(buffer, 16);
            if (self->m_onReport) {
                self->m_onReport();
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
    std::vector<std::string> m_reports;
};

bool SendReply(TestSocket& server, const std::string& bytes) {
    return server.SendTo(bytes, NetnsPair::kDeviceAddress, kReplyPort);
}

std::string AddressBuffer(const char* address) {
    std::string buffer(address);
    buffer.resize(16, '\0');
    return buffer;
}

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!brevanta::test::CanManageNamespaces()) {
            GTEST_SKIP() << "needs root to create network namespaces";
        }
        std::string error;
        ASSERT_TRUE(m_pair.Create(&error)) << error;
        m_inDevice = m_pair.EnterDevice();
        ASSERT_TRUE(m_inDevice);
    }
    void TearDown() override {
        m_inDevice.reset();
        m_pair.Remove();
    }

    // A UDP socket in the server namespace.
    TestSocket ServerEndpoint(std::uint16_t port) {
        auto inServer = m_pair.EnterServer();
        return TestSocket::BindUdp("0.0.0.0", port);
    }

    NetnsPair m_pair;
    std::unique_ptr<NetnsPair::ThreadGuard> m_inDevice;
};

TEST_F(DiscoveryTest, TokenIsOneDatagramOfEightBytesToTheBroadcastAddress) {
    auto server = ServerEndpoint(kTokenPort);
    ASSERT_TRUE(server.IsValid());
    CBroadcastSender sender;
    sender.SetPort(kTokenPort);
    ASSERT_EQ(sender.Send("kelmaris", 8), 1);

    auto token = server.ReceiveDatagram(2s);
    ASSERT_TRUE(token);
    EXPECT_EQ(token->bytes, "kelmaris");
    EXPECT_EQ(token->sourceAddress, NetnsPair::kDeviceAddress);
    EXPECT_EQ(token->destinationAddress, "255.255.255.255");
    EXPECT_FALSE(server.ReceiveDatagram(0ms)) << "exactly one datagram";

    // Every send uses a new socket, so the next token goes out as well.
    ASSERT_EQ(sender.Send("kelmaris", 8), 1);
    EXPECT_TRUE(server.ReceiveDatagram(2s));
}

TEST_F(DiscoveryTest, LongDataIsSplitIntoDatagramsOfFiveHundredBytes) {
    auto server = ServerEndpoint(kTokenPort);
    CBroadcastSender sender;
    sender.SetPort(kTokenPort);
    std::string data(1200, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>('a' + i % 26);
    }
    ASSERT_EQ(sender.Send(data.data(), 1200), 1);
    std::string joined;
    for (std::size_t expected : {500u, 500u, 200u}) {
        auto datagram = server.ReceiveDatagram(2s);
        ASSERT_TRUE(datagram);
        EXPECT_EQ(datagram->bytes.size(), expected);
        joined += datagram->bytes;
    }
    EXPECT_EQ(joined, data);
    EXPECT_EQ(sender.Send(data.data(), 0), 1);
    EXPECT_FALSE(server.ReceiveDatagram(50ms)) << "nothing is sent for no data";
}

TEST_F(DiscoveryTest, ReplyIsReportedWithItsSourceAddressAndEmptyOnesAreNot) {
    ReportWindow window;
    CBroadcastListener listener;
    listener.SetPort(kReplyPort);
    listener.SetNotifyWindow(window.Handle());
    ASSERT_EQ(listener.Start(), CBroadcastListener::kStarted);
    EXPECT_EQ(listener.Start(), CBroadcastListener::kStarted) << "already running";

    auto server = ServerEndpoint(40000);
    ASSERT_TRUE(SendReply(server, ""));
    ASSERT_TRUE(SendReply(server, "x"));
    ASSERT_TRUE(window.PumpUntilReports(1, 5s));
    EXPECT_EQ(window.Reports()[0], AddressBuffer(NetnsPair::kServerAddress));

    // Too long for the receive buffer: skipped, as the device's receive reports an error.
    ASSERT_TRUE(SendReply(server, std::string(1025, 'l')));
    ASSERT_TRUE(SendReply(server, std::string(1024, 'k')));
    ASSERT_TRUE(window.PumpUntilReports(2, 5s));
    EXPECT_EQ(window.Reports().size(), 2u);
    listener.Stop();
    EXPECT_FALSE(listener.IsRunning());
}

TEST_F(DiscoveryTest, StopFromInsideTheHandlerEndsDiscovery) {
    ReportWindow window;
    CBroadcastListener listener;
    listener.SetPort(kReplyPort);
    listener.SetNotifyWindow(window.Handle());
    // Stop runs while the receive thread waits for this very handler.
    window.m_onReport = [&listener] { listener.Stop(); };
    ASSERT_EQ(listener.Start(), CBroadcastListener::kStarted);

    auto server = ServerEndpoint(40000);
    ASSERT_TRUE(SendReply(server, "first"));
    ASSERT_TRUE(window.PumpUntilReports(1, 5s));
    EXPECT_FALSE(listener.IsRunning());
    SendReply(server, "second");
    EXPECT_FALSE(window.PumpUntilReports(2, 300ms)) << "one reply yields exactly one report";
}

TEST_F(DiscoveryTest, TakenPortFailsWithCodeThree) {
    TestSocket squatter = TestSocket::BindUdp("0.0.0.0", kReplyPort);
    ASSERT_TRUE(squatter.IsValid());
    CBroadcastListener listener;
    listener.SetPort(kReplyPort);
    EXPECT_EQ(listener.Start(), CBroadcastListener::kNoBind);
    EXPECT_FALSE(listener.IsRunning());
}

TEST_F(DiscoveryTest, SimulatorAnswersTheTokenAndTheListenerReportsIt) {
    brevanta::test::ChildProcess simulator;
    ASSERT_TRUE(simulator.Start({BREVANTA_SERVER_PATH, "--no-transfer", "/"}, m_pair.ServerPath()));
    ASSERT_TRUE(simulator.WaitForPrefix("ready", 10s));

    ReportWindow window;
    CBroadcastListener listener;
    CBroadcastSender sender;
    listener.SetPort(kReplyPort);
    listener.SetNotifyWindow(window.Handle());
    window.m_onReport = [&] {
        sender.Close();
        listener.Stop();
    };
    ASSERT_EQ(listener.Start(), CBroadcastListener::kStarted);
    sender.SetPort(kTokenPort);
    ASSERT_EQ(sender.Send("kelmaris", 8), 1);
    ASSERT_TRUE(window.PumpUntilReports(1, 5s));
    EXPECT_EQ(window.Reports()[0], AddressBuffer(NetnsPair::kServerAddress));
    EXPECT_TRUE(simulator.WaitForPrefix("discovery", 5s));
}

}  // namespace
