// The gateway program between WebSocket clients written from the protocol and a display server
// that the test plays itself: one connection to the device however many tabs watch, no traffic
// when none does, the whole picture for a tab that joins and the newest for a slow one, input as
// exact records, faults ended with their close codes, and a device that resets or refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "loopback_listener.h"
#include "test_files.h"
#include "test_socket.h"
#include "wait_until.h"
#include "web_socket_client.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kTimeout = 10s;
constexpr std::uint16_t kGatewayPort = 8023;
constexpr std::size_t kBandSize = 240 * 320 * 2 / 40;  // mode 0x04: 240x320
const std::string kUpdateRequest("\xFF\xFF\xFF\xFF\x13\x01\x00\x00\x00\x00\x00\x00", 12);
const std::string kToken = "0123456789abcdef-token";

std::string Record(unsigned code, unsigned x, unsigned y) {
    std::string record = "\xFF\xFF\xFF\xFF";
    for (unsigned value : {code, code >> 8, code >> 16, code >> 24, x, x >> 8, y, y >> 8}) {
        record.push_back(static_cast<char>(value & 0xFF));
    }
    return record;
}

// A frame as Tavrelin sends it, every byte of each band the band's fill.
std::string Frame(const std::vector<std::pair<int, char>>& bands) {
    std::string payload;
    for (const auto& [index, fill] : bands) {
        payload += static_cast<char>(index);
        payload += std::string(kBandSize, fill);
    }
    char header[16];
    std::snprintf(header, sizeof header, "%10zu", payload.size() + 10);
    header[0] = 0x04;
    return std::string(header, 10) + payload;
}

// The fill of each band a frame message carries, in order: {band, fill}.
std::vector<std::pair<int, char>> Bands(const WebSocketMessage& message) {
    std::vector<std::pair<int, char>> bands;
    for (std::size_t at = 6; at + kBandSize < message.payload.size() + 1; at += kBandSize + 1) {
        bands.emplace_back(static_cast<unsigned char>(message.payload[at]),
                           message.payload[at + 1]);
    }
    return bands;
}

class TavrelinWebGatewayTest : public ::testing::Test {
protected:
    void StartGateway(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv = {TAVRELIN_WEB_PATH, "--device",
                                         "dev=127.0.0.1:" + std::to_string(m_device.Port()),
                                         "--poll-ms", "20"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        ASSERT_TRUE(m_gateway.Start(argv));
        ASSERT_TRUE(m_gateway.WaitForPrefix("listening http://127.0.0.1:8023/", kTimeout));
    }

    // A tab that has sent its token and been told the device's status.
    std::unique_ptr<WebSocketClient> Tab(const std::string& token = "") {
        auto tab = std::make_unique<WebSocketClient>();
        EXPECT_TRUE(tab->Open(kGatewayPort, "/ws/dev", "http://127.0.0.1:8023"));
        EXPECT_TRUE(tab->SendText(token));
        return tab;
    }

    // The next message of the tab that is a picture, skipping status messages.
    static std::optional<WebSocketMessage> NextPicture(WebSocketClient& tab) {
        while (auto message = tab.Receive(kTimeout)) {
            if (message->opcode == 0x2) {
                return message;
            }
        }
        return std::nullopt;
    }

    // Waits for a status message naming the state.
    static bool WaitForState(WebSocketClient& tab, const std::string& state) {
        while (auto message = tab.Receive(kTimeout)) {
            if (message->opcode == 0x1 &&
                message->payload.find("\"state\":\"" + state + "\"") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    // Records the device receives within the time.
    std::vector<std::string> RecordsWithin(std::chrono::milliseconds time) {
        std::vector<std::string> records;
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (auto record = m_device.Read(12, std::max(left, 1ms))) {
                records.push_back(*record);
            }
        }
        return records;
    }

    // Drops the records that came in before now, so that a count starts from an empty queue.
    void DropWaitingRecords() {
        while (m_device.HasPendingBytes() && m_device.Read(12, 100ms)) {
        }
    }

    LoopbackListener m_device;
    ChildProcess m_gateway;
    TemporaryDirectory m_files;
};

TEST_F(TavrelinWebGatewayTest, TenTabsCostTheDeviceNoMoreThanOne) {
    StartGateway();
    auto first = Tab();
    ASSERT_TRUE(m_device.Accept(kTimeout));
    ASSERT_TRUE(m_device.Send(Frame({{0, 1}})));
    DropWaitingRecords();
    const std::vector<std::string> alone = RecordsWithin(500ms);
    std::vector<std::unique_ptr<WebSocketClient>> more;
    for (int i = 0; i < 9; ++i) {
        more.push_back(Tab());
    }
    for (auto& tab : more) {
        ASSERT_TRUE(NextPicture(*tab));
    }
    // The tabs took a while to join on a busy machine: the polls of that time are not counted.
    DropWaitingRecords();
    const std::vector<std::string> together = RecordsWithin(500ms);
    EXPECT_EQ(m_device.AcceptCount(), 1) << "one connection to the device";
    for (const std::string& record : together) {
        EXPECT_EQ(record, kUpdateRequest);
    }
    // Polls every 20 ms: at most 25 in each half second and a few under way, however many watch;
    // a poll of each tab's own would be ten times that. A busy machine may poll less.
    EXPECT_GE(alone.size(), 5u);
    EXPECT_LE(together.size(), std::max<std::size_t>(alone.size() * 3 / 2 + 3, 30));
}

TEST_F(TavrelinWebGatewayTest, NobodyWatchingMeansNoTraffic) {
    StartGateway();
    {
        auto tab = Tab();
        ASSERT_TRUE(m_device.Accept(kTimeout));
        ASSERT_FALSE(RecordsWithin(100ms).empty());
    }
    // The tab is gone: at most a poll already under way arrives, then nothing.
    RecordsWithin(100ms);
    EXPECT_TRUE(RecordsWithin(400ms).empty());
}

TEST_F(TavrelinWebGatewayTest, ALateTabGetsTheWholePictureAndASlowOneOnlyTheNewest) {
    StartGateway();
    auto fast = Tab();
    ASSERT_TRUE(m_device.Accept(kTimeout));
    ASSERT_TRUE(m_device.Send(Frame({{1, 'a'}, {2, 'b'}})));
    const auto first = NextPicture(*fast);
    ASSERT_TRUE(first);
    EXPECT_EQ(Bands(*first).size(), 40u) << "a tab that joins gets every band";

    // The slow tab reads nothing while the device sends far more than its socket holds.
    auto slow = Tab();
    ASSERT_TRUE(NextPicture(*slow));
    const int rounds = 60;
    std::size_t fastBytes = 0;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::pair<int, char>> bands;
        for (int band = 0; band < 40; ++band) {
            bands.emplace_back(band, static_cast<char>('A' + round % 26));
        }
        ASSERT_TRUE(m_device.Send(Frame(bands)));
        const auto picture = NextPicture(*fast);
        ASSERT_TRUE(picture) << "round " << round;
        fastBytes += picture->payload.size();
    }
    // The fast tab had every frame; the slow one, reading now, soon holds the newest picture
    // and was sent far fewer bytes.
    const char newest = static_cast<char>('A' + (rounds - 1) % 26);
    std::size_t slowBytes = 0;
    bool caughtUp = false;
    while (!caughtUp) {
        const auto picture = NextPicture(*slow);
        ASSERT_TRUE(picture);
        slowBytes += picture->payload.size();
        const auto bands = Bands(*picture);
        caughtUp = !bands.empty() && bands.back().second == newest;
    }
    EXPECT_LT(slowBytes, fastBytes / 2);
}

TEST_F(TavrelinWebGatewayTest, PointerEventsReachTheDeviceAsRecords) {
    StartGateway();
    auto tab = Tab();
    ASSERT_TRUE(m_device.Accept(kTimeout));
    ASSERT_TRUE(m_device.Send(Frame({{0, 1}})));
    ASSERT_TRUE(NextPicture(*tab));
    // Left down at (300, 17): the x is beyond the 240-pixel screen and lands on its edge.
    ASSERT_TRUE(tab->SendBinary(std::string("\x01\x2c\x01\x11\x00", 5)));
    const std::vector<std::string> expected = {Record(512, 239, 17), Record(513, 239, 17),
                                               kUpdateRequest};
    std::vector<std::string> records;
    EXPECT_TRUE(WaitUntil(
        [&] {
            if (auto record = m_device.Read(12, 100ms)) {
                records.push_back(*record);
            }
            return std::search(records.begin(), records.end(), expected.begin(), expected.end()) !=
                   records.end();
        },
        kTimeout));
}

TEST_F(TavrelinWebGatewayTest, FaultsEndWithTheirCloseCodesAndHarmNothingElse) {
    const std::string tokenFile = m_files.WriteFile("token", kToken + "\n");
    StartGateway({"--token-file", tokenFile});
    auto watcher = Tab(kToken);
    ASSERT_TRUE(m_device.Accept(kTimeout));
    ASSERT_TRUE(m_device.Send(Frame({{0, 1}})));
    ASSERT_TRUE(NextPicture(*watcher));

    EXPECT_EQ(Tab("wrong-token-0123456789")->WaitForClose(kTimeout), 4001);
    auto text = Tab(kToken);
    ASSERT_TRUE(text->SendText("hello"));
    EXPECT_EQ(text->WaitForClose(kTimeout), 1003);
    auto odd = Tab(kToken);
    ASSERT_TRUE(odd->SendBinary(std::string(6, '\x01')));
    EXPECT_EQ(odd->WaitForClose(kTimeout), 1003);
    auto big = Tab(kToken);
    ASSERT_TRUE(big->SendBinary(std::string(2000, '\x01')));
    EXPECT_EQ(big->WaitForClose(kTimeout), 1009);

    WebSocketClient foreign;
    EXPECT_FALSE(foreign.Open(kGatewayPort, "/ws/dev", "http://evil.example"));
    EXPECT_EQ(foreign.Status(), 403);
    TestSocket garbage = TestSocket::Connect("127.0.0.1", kGatewayPort);
    ASSERT_TRUE(garbage.SendAll("\x16\x03\x01 not http at all\r\n\r\n"));
    EXPECT_TRUE(garbage.ReceiveUntilClosed(kTimeout).bytes.starts_with("HTTP/1.1 400"));

    // The tab that behaved still gets the device's changes.
    ASSERT_TRUE(m_device.Send(Frame({{5, 'z'}})));
    const auto picture = NextPicture(*watcher);
    ASSERT_TRUE(picture);
    EXPECT_EQ(Bands(*picture), (std::vector<std::pair<int, char>>{{5, 'z'}}));
}

TEST_F(TavrelinWebGatewayTest, ADeviceThatResetsBeforeServingIsTriedAgain) {
    StartGateway();
    auto tab = Tab();
    // As Tavrelin does with a connection that reached its backlog while it took another viewer.
    ASSERT_TRUE(m_device.Accept(kTimeout));
    m_device.CloseConnection();
    EXPECT_TRUE(WaitForState(*tab, "reconnecting"));
    ASSERT_TRUE(m_device.Accept(kTimeout));
    ASSERT_TRUE(m_device.Send(Frame({{3, 'c'}})));
    EXPECT_TRUE(WaitForState(*tab, "connected"));
    EXPECT_EQ(m_device.AcceptCount(), 2);
}

TEST_F(TavrelinWebGatewayTest, ADeviceThatRefusesIsShownBusy) {
    std::uint16_t port = 0;
    {
        LoopbackListener closed;
        port = closed.Port();
    }
    ASSERT_TRUE(
        m_gateway.Start({TAVRELIN_WEB_PATH, "--device", "dev=127.0.0.1:" + std::to_string(port)}));
    ASSERT_TRUE(m_gateway.WaitForPrefix("listening", kTimeout));
    auto tab = Tab();
    EXPECT_TRUE(WaitForState(*tab, "busy"));
}

}  // namespace
}  // namespace brevanta::test
