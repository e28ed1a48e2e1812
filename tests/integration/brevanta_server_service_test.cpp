// The simulator as a service for many devices at once: no device holds another, the descriptor
// limit bounds what it takes on without turning devices away, and under the journal each line
// carries its priority.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/types.h>

#include <charconv>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "brevanta_server_fixture.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

// Every line of the connection's life, in order, up to and including its "closed" line.
std::vector<std::string> LinesUpTo(SimulatorProcess& server, const std::string& closedEvent) {
    EXPECT_TRUE(server.WaitForEvent(closedEvent, kTimeout)) << "no \"" << closedEvent << "\"";
    return server.Process().Lines();
}

// A pause is a wait on the clock, not on the program: the next device is answered meanwhile.
TEST_F(BrevantaServerTest, APauseHoldsOnlyItsOwnDevice) {
    StartServer({"--pause", "60000"});
    TestSocket first = Connect();
    ASSERT_TRUE(first.SendAll(FileRequest("kelmaris.cab")));
    ASSERT_EQ(first.Receive(11, kTimeout).bytes, Response(m_small).substr(0, 11));

    TestSocket second = Connect();
    ASSERT_TRUE(second.SendAll(FileRequest("kelmaris.cab")));
    EXPECT_EQ(second.Receive(11, kTimeout).bytes, Response(m_small).substr(0, 11))
        << "the second device waited for the first one's pause";
}

// A device that stops reading fills its socket; the others are served, and it gets the rest of
// its file when it reads again.
TEST_F(BrevantaServerTest, ADeviceThatStopsReadingHoldsNoOther) {
    // Twice what a network namespace's loopback buffers for a peer that reads nothing: the
    // sender's buffer grows to tcp_wmem's 4 MiB at most, the receiver's stays small.
    const std::string big = m_files.WritePatternFile("big.bin", 8 << 20, 4);
    StartServer();
    TestSocket stalled = Connect();
    ASSERT_TRUE(stalled.SendAll(FileRequest("big.bin")));
    ASSERT_TRUE(m_server.WaitForEvent("request #1 big.bin"));

    for (int device = 2; device <= 4; ++device) {
        TestSocket other = Connect();
        ASSERT_TRUE(other.SendAll(FileRequest("kelmaris.cab")));
        EXPECT_EQ(other.Receive(11 + m_small.size(), kTimeout).bytes, Response(m_small));
    }
    const TestSocket::Received rest = stalled.Receive(11 + big.size(), kTimeout);
    EXPECT_EQ(rest.bytes.size(), 11 + big.size());
    EXPECT_TRUE(rest.bytes == Response(big)) << "the stalled device's file differs";
    EXPECT_TRUE(m_server.WaitForEvent("sent #1 big.bin " + std::to_string(big.size())));
}

// Under a descriptor limit that holds four connections (two descriptors each, after a reserve of
// 32), twelve devices that connect at once are all served, never more than four at a time.
TEST_F(BrevantaServerTest, DevicesBeyondTheDescriptorLimitWaitTheirTurn) {
    std::string error;
    ASSERT_TRUE(m_server.Start("/usr/bin/prlimit",
                               {"--nofile=40:40", BREVANTA_SERVER_PATH, "--tcp-port", "0",
                                "--no-discovery", m_files.Path()},
                               &error))
        << error;
    // No device asks before the server holds all it may: a connection ends only after its
    // answer, so the limit is reached however fast or slow the server and the devices are.
    std::vector<TestSocket> devices;
    for (int i = 0; i < 12; ++i) {
        devices.push_back(Connect());
    }
    ASSERT_TRUE(m_server.WaitFor("full: 4 connections")) << "reaching the limit is reported";
    for (TestSocket& device : devices) {
        ASSERT_TRUE(device.SendAll(FileRequest("kelmaris.cab")));
    }
    for (TestSocket& device : devices) {
        EXPECT_EQ(device.Receive(11 + m_small.size(), kTimeout).bytes, Response(m_small));
        device = TestSocket();
    }

    int open = 0;
    int most = 0;
    int sent = 0;
    for (const std::string& line : LinesUpTo(m_server, "closed #12")) {
        open += line.starts_with("accept #") ? 1 : line.starts_with("closed #") ? -1 : 0;
        most = std::max(most, open);
        sent += line.starts_with("sent #") ? 1 : 0;
        EXPECT_FALSE(line.starts_with("error") || line.starts_with("bad")) << line;
    }
    EXPECT_EQ(most, 4);
    EXPECT_EQ(sent, 12);
}

// The lowest descriptor number the process has free: the soft limit at which its next
// descriptor fails with EMFILE.
int LowestFreeDescriptor(pid_t pid) {
    std::set<int> used;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
        const std::string name = entry.path().filename();
        int fd = 0;
        std::from_chars(name.data(), name.data() + name.size(), fd);
        used.insert(fd);
    }
    int free = 0;
    while (used.contains(free)) {
        ++free;
    }
    return free;
}

// When descriptors run out for a reason of their own (here the limit is lowered under the running
// program), accepting pauses with one report and resumes by itself once there is room again.
TEST_F(BrevantaServerTest, RunningOutOfDescriptorsPausesAcceptingUntilThereIsRoom) {
    StartServer();
    const pid_t pid = m_server.Process().Pid();
    rlimit original{};
    ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, nullptr, &original), 0);
    rlimit exhausted = original;
    exhausted.rlim_cur = static_cast<rlim_t>(LowestFreeDescriptor(pid));
    ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, &exhausted, nullptr), 0);

    TestSocket device = Connect();
    ASSERT_TRUE(device.SendAll(FileRequest("kelmaris.cab")));
    ASSERT_TRUE(m_server.WaitFor("error accept: Too many open files"));
    EXPECT_EQ(device.Receive(1, kQuietPeriod).bytes, "");

    ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, &original, nullptr), 0);
    EXPECT_EQ(device.Receive(11 + m_small.size(), kTimeout).bytes, Response(m_small));
    const std::optional<std::string> accepted = m_server.WaitFor("accept #1 ");
    ASSERT_TRUE(accepted);
    int reports = 0;
    for (const std::string& line : m_server.Process().Lines()) {
        reports += line.starts_with("error accept") ? 1 : 0;
    }
    EXPECT_EQ(reports, 1) << "the shortage is reported once, not at every retry";
}

// systemd names the journal's stream in JOURNAL_STREAM as "DEVICE:INODE"; the shell here does the
// same for the test's pipe, so the program sees itself run as a service.
TEST_F(BrevantaServerTest, UnderTheJournalEachLineCarriesItsPriority) {
    ChildProcess server;
    ASSERT_TRUE(server.Start({"/bin/sh", "-c",
                              "exec 3>&1; JOURNAL_STREAM=$(stat -L -c %d:%i /proc/self/fd/3) "
                              "exec \"$0\" --tcp-port 0 --no-discovery \"$1\"",
                              BREVANTA_SERVER_PATH, m_files.Path()}));
    const std::optional<std::string> ready = server.WaitForPrefix("<6>ready tcp=", kTimeout);
    ASSERT_TRUE(ready) << testing::PrintToString(server.Lines());
    std::uint16_t port = 0;
    const std::string portText = ready->substr(std::string("<6>ready tcp=").size());
    std::from_chars(portText.data(), portText.data() + portText.size(), port);

    TestSocket missing = TestSocket::Connect("127.0.0.1", port);
    ASSERT_TRUE(missing.SendAll(FileRequest("nothing-here")));
    EXPECT_TRUE(server.WaitForPrefix("<4>missing #1 nothing-here peer=127.0.0.1:", kTimeout));
    TestSocket device = TestSocket::Connect("127.0.0.1", port);
    ASSERT_TRUE(device.SendAll(FileRequest("kelmaris.cab")));
    EXPECT_TRUE(server.WaitForPrefix("<6>sent #2 kelmaris.cab 1000 peer=127.0.0.1:", kTimeout));
}

}  // namespace
}  // namespace brevanta::test
