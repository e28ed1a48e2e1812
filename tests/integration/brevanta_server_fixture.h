// The simulator program run by a test that talks to it over loopback: a served folder with a
// 1000-byte "kelmaris.cab", the program started on a free port without discovery, and its lines.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "simulator_process.h"
#include "test_files.h"
#include "test_socket.h"
#include "transfer_wire.h"

namespace brevanta::test {

inline constexpr std::chrono::seconds kTimeout{10};
// How long an answer that must not come is waited for.
inline constexpr std::chrono::milliseconds kQuietPeriod{300};

// The file response to a body, written out by hand.
inline std::string Response(const std::string& body) {
    char header[16];
    std::snprintf(header, sizeof header, "%10zu4", body.size() + 11);
    return header + body;
}

class BrevantaServerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_files.Path().empty());
        m_small = m_files.WritePatternFile("kelmaris.cab", 1000, 1);
    }

    void StartServer(std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"--tcp-port", "0", "--no-discovery"});
        options.push_back(m_files.Path());
        std::string error;
        ASSERT_TRUE(m_server.Start(BREVANTA_SERVER_PATH, options, &error)) << error;
    }

    TestSocket Connect() {
        EXPECT_NE(m_server.TcpPort(), 0);
        TestSocket socket = TestSocket::Connect("127.0.0.1", m_server.TcpPort());
        EXPECT_TRUE(socket.IsValid());
        return socket;
    }

    // Sends the request and returns everything up to the connection's close.
    TestSocket::Received Exchange(const std::string& request) {
        TestSocket socket = Connect();
        EXPECT_TRUE(socket.SendAll(request));
        return socket.ReceiveUntilClosed(kTimeout);
    }

    // The next line of that event; the whole line, or "" when none came.
    std::string ExpectEvent(const std::string& event) {
        std::optional<std::string> line = m_server.WaitForEvent(event, kTimeout);
        EXPECT_TRUE(line) << "no \"" << event << "\"";
        return line.value_or("");
    }

    TemporaryDirectory m_files;
    std::string m_small;
    SimulatorProcess m_server;
};

}  // namespace brevanta::test
