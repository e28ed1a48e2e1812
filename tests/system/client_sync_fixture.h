// BrevantaClient in the device namespace and the provisioning server simulator in the server
// namespace, joined by a veth link: what the sync tests share.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "client_under_test.h"
#include "netns_harness.h"
#include "private_network.h"
#include "simulator_process.h"
#include "test_files.h"

namespace brevanta::test {

// Where the main screen shows the server's address and the two record fields.
inline bool AddressShown(const Screenshot& screen) {
    return screen.CountBright(99, 228, 219, 244) > 20;
}
inline bool RecordShown(const Screenshot& screen) {
    return screen.CountBright(120, 388, 252, 400) > 20 &&
           screen.CountBright(120, 418, 252, 430) > 5;
}

class ClientSyncFixture : public ::testing::Test {
protected:
    static constexpr int kSyncX = 134;
    static constexpr int kSyncY = 136;
    static constexpr const char* kPackageName = "kelmaris.cab";
    static constexpr std::size_t kPackageSize = 70000;

    void SetUp() override {
        if (!CanManageNamespaces()) {
            GTEST_SKIP() << "needs root to create network namespaces";
        }
        std::string error;
        ASSERT_TRUE(m_pair.Create(&error)) << error;
    }

    void ServePattern() { m_package = m_served.WritePatternFile(kPackageName, kPackageSize, 3); }

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
    TemporaryDirectory m_served;
    std::string m_package;
    SimulatorProcess m_server;
    ClientUnderTest m_client;
};

}  // namespace brevanta::test
