// A whole sync: BrevantaClient in the device namespace finds the provisioning server simulator in
// the server namespace by broadcast, downloads the package, records it and opens it; and what the
// user sees when the server fails.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>

#include "client_under_test.h"
#include "wait_until.h"

#include <windows.h>
#include "netns_harness.h"
#include "private_network.h"
#include "simulator_process.h"
#include "test_files.h"

namespace {

using namespace std::chrono_literals;
using brevanta::test::ClientUnderTest;
using brevanta::test::NetnsPair;
using brevanta::test::Screenshot;

bool AddressShown(const Screenshot& screen) {
    return screen.CountBright(99, 228, 219, 244) > 20;
}
bool RecordShown(const Screenshot& screen) {
    return screen.CountBright(120, 388, 252, 400) > 20 &&
           screen.CountBright(120, 418, 252, 430) > 5;
}

class ClientSyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!brevanta::test::CanManageNamespaces()) {
            GTEST_SKIP() << "needs root to create network namespaces";
        }
        std::string error;
        ASSERT_TRUE(m_pair.Create(&error)) << error;
        m_package = m_served.WritePatternFile("kelmaris.cab", 70000, 3);
    }

    void StartServer(const std::vector<std::string>& misbehaviour = {}) {
        std::vector<std::string> arguments = misbehaviour;
        arguments.push_back(m_served.Path());
        std::string error;
        ASSERT_TRUE(m_server.Start(BREVANTA_SERVER_PATH, arguments, &error, m_pair.ServerPath()))
            << error;
    }

    // Starts the client and waits until discovery has put the server's address on screen.
    void StartClientAndDiscover() {
        ASSERT_TRUE(m_client.StartHeadless(m_pair.DevicePath()));
        ASSERT_TRUE(m_client.WaitForWindowCount(1));
        ASSERT_TRUE(m_server.WaitFor("discovery " + std::string(NetnsPair::kDeviceAddress)));
        ASSERT_TRUE(m_client.WaitForScreen(AddressShown));
    }

    // The text of the message box on top, or "" when there is none.
    std::string MessageBoxText() {
        const auto windows = m_client.Windows();
        if (windows.size() < 2 || windows[0].className != "MessageBox") {
            return "";
        }
        EXPECT_EQ(windows[0].text, "BrevantaClient");
        for (const auto& child : m_client.Children(windows[0].id)) {
            if (child.className == "STATIC") {
                return child.text;
            }
        }
        return "<no text>";
    }

    NetnsPair m_pair;
    brevanta::test::TemporaryDirectory m_served;
    std::string m_package;
    brevanta::test::SimulatorProcess m_server;
    ClientUnderTest m_client;
};

TEST_F(ClientSyncTest, DiscoverDownloadRecordAndOpen) {
    StartServer();
    StartClientAndDiscover();

    ASSERT_TRUE(m_client.Tap(134, 136));
    ASSERT_TRUE(m_server.WaitFor("sent #1 kelmaris.cab 70000"));
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return !m_client.Opened().empty(); }))
        << "record: " << m_client.Record().value_or("none");

    EXPECT_EQ(brevanta::test::ReadFileBytes(m_client.Folder() + "/kelmaris.cab"), m_package);
    const std::string record = m_client.Record().value_or("");
    EXPECT_TRUE(std::regex_match(record, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d,70000)")))
        << record;
    EXPECT_EQ(m_client.Opened(), m_client.Folder() + "/kelmaris.cab\n");
    EXPECT_TRUE(m_client.WaitForScreen(RecordShown));
    EXPECT_EQ(m_client.Windows().size(), 1u) << "no message box after a good sync";

    // Quit; the next start finds the record and ends at once.
    ASSERT_TRUE(m_client.Tap(134, 296));
    EXPECT_EQ(m_client.WaitForExit(10s), 0);
    ClientUnderTest again;
    again.WriteRecord(record);
    ASSERT_TRUE(again.StartHeadless(m_pair.DevicePath()));
    EXPECT_EQ(again.WaitForExit(10s), 0);
}

TEST_F(ClientSyncTest, RefusedConnectionShowsTheRequestMessageAndChangesNothing) {
    StartServer({"--refuse"});
    StartClientAndDiscover();
    ASSERT_TRUE(m_client.Tap(134, 136));
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return !MessageBoxText().empty(); }));
    EXPECT_EQ(MessageBoxText(), "Cannot send request to BrevantaServer");
    EXPECT_FALSE(m_client.Record());
    EXPECT_TRUE(m_client.Opened().empty());

    ASSERT_TRUE(m_client.Key(VK_RETURN, 13));
    ASSERT_TRUE(m_client.WaitForWindowCount(1));
    const auto screen = m_client.Screen();
    ASSERT_TRUE(screen);
    EXPECT_FALSE(RecordShown(*screen));
    EXPECT_TRUE(AddressShown(*screen));
}

TEST_F(ClientSyncTest, ServerClosingMidBodyShowsTheDownloadMessage) {
    StartServer({"--close-after", "1000"});
    StartClientAndDiscover();
    ASSERT_TRUE(m_client.Tap(134, 136));
    ASSERT_TRUE(brevanta::test::WaitUntil([&] { return !MessageBoxText().empty(); }));
    EXPECT_EQ(MessageBoxText(), "Cannot download file from BrevantaServer");
    EXPECT_FALSE(m_client.Record());
    EXPECT_TRUE(m_client.Opened().empty());
}

}  // namespace
