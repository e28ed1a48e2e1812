// The namespace pair: what it joins, that a thread comes back from it, and that nothing is left
// behind by a removal, a destructor, a failure half way or an earlier process that was killed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "netns_harness.h"
#include "private_network.h"
#include "test_files.h"
#include "test_socket.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

ino_t ThreadNamespace() {
    struct stat info {};
    stat("/proc/thread-self/ns/net", &info);
    return info.st_ino;
}

// Names of namespaces this process made, going by the "brvt<pid>-" naming.
std::vector<std::string> OwnNamespaces() {
    std::vector<std::string> names;
    const std::string prefix = "brvt" + std::to_string(getpid()) + "-";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with(prefix)) {
            names.push_back(name);
        }
    }
    return names;
}

class NetnsPairTest : public testing::Test {
protected:
    void SetUp() override {
        if (!CanManageNamespaces()) {
            GTEST_SKIP() << "needs root to make network namespaces";
        }
    }
};

TEST_F(NetnsPairTest, JoinsDeviceAndServerOverTheLink) {
    NetnsPair pair;
    std::string error;
    ASSERT_TRUE(pair.Create(&error)) << error;
    EXPECT_TRUE(Exists(pair.DevicePath()));
    EXPECT_TRUE(Exists(pair.ServerPath()));

    const ino_t home = ThreadNamespace();
    TestSocket server;
    {
        auto guard = pair.EnterServer();
        ASSERT_TRUE(guard);
        EXPECT_NE(ThreadNamespace(), home);
        server = TestSocket::BindUdp(NetnsPair::kServerAddress, 0);
    }
    EXPECT_EQ(ThreadNamespace(), home);
    ASSERT_TRUE(server.IsValid());
    sockaddr_in local{};
    socklen_t size = sizeof local;
    getsockname(server.Fd(), reinterpret_cast<sockaddr*>(&local), &size);
    {
        auto guard = pair.EnterDevice();
        ASSERT_TRUE(guard);
        EXPECT_FALSE(TestSocket::BindUdp(NetnsPair::kServerAddress, 0).IsValid());
        TestSocket device = TestSocket::BindUdp(NetnsPair::kDeviceAddress, 0);
        ASSERT_TRUE(device.IsValid());
        EXPECT_TRUE(device.SendTo("across", NetnsPair::kServerAddress, ntohs(local.sin_port)));
    }
    std::optional<TestSocket::Datagram> got = server.ReceiveDatagram(10s);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->bytes, "across");
    EXPECT_EQ(got->sourceAddress, NetnsPair::kDeviceAddress);
    // Back home, neither address exists.
    EXPECT_FALSE(TestSocket::BindUdp(NetnsPair::kDeviceAddress, 0).IsValid());

    const std::string devicePath = pair.DevicePath();
    const std::string serverPath = pair.ServerPath();
    pair.Remove();
    EXPECT_FALSE(Exists(devicePath));
    EXPECT_FALSE(Exists(serverPath));
    EXPECT_FALSE(pair.EnterDevice());
}

TEST_F(NetnsPairTest, DestructorRemovesBothNamespaces) {
    std::string devicePath;
    std::string serverPath;
    {
        NetnsPair pair;
        std::string error;
        ASSERT_TRUE(pair.Create(&error)) << error;
        devicePath = pair.DevicePath();
        serverPath = pair.ServerPath();
    }
    EXPECT_FALSE(Exists(devicePath));
    EXPECT_FALSE(Exists(serverPath));
    EXPECT_TRUE(OwnNamespaces().empty());
}

TEST_F(NetnsPairTest, RemovesNamespacesOfProcessesThatEnded) {
    pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_GT(ended, 0);
    waitpid(ended, nullptr, 0);
    const std::string stale = "brvt" + std::to_string(ended) + "-0d";
    const std::string living = "brvt" + std::to_string(getpid()) + "-kept";
    ASSERT_EQ(std::system(("ip netns add " + stale).c_str()), 0);
    ASSERT_EQ(std::system(("ip netns add " + living).c_str()), 0);

    NetnsPair pair;
    std::string error;
    EXPECT_TRUE(pair.Create(&error)) << error;
    EXPECT_FALSE(Exists("/run/netns/" + stale));
    EXPECT_TRUE(Exists("/run/netns/" + living));
    std::system(("ip netns delete " + living + " 2>/dev/null").c_str());
}

TEST_F(NetnsPairTest, FailureHalfWayLeavesNothingBehind) {
    // An `ip` earlier in PATH that refuses routes and passes everything else to the real one.
    std::string realIp;
    for (const char* candidate : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
        if (access(candidate, X_OK) == 0) {
            realIp = candidate;
            break;
        }
    }
    ASSERT_FALSE(realIp.empty());
    TemporaryDirectory bin;
    const std::string script = bin.WriteFile(
        "ip",
        "#!/bin/sh\ncase \" $* \" in *\" route \"*) echo 'route refused' >&2; exit 2;; esac\n"
        "exec " +
            realIp + " \"$@\"\n");
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    const std::string oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", (bin.Path() + ":" + oldPath).c_str(), 1);

    NetnsPair pair;
    std::string error;
    const bool created = pair.Create(&error);
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_FALSE(created);
    EXPECT_NE(error.find("route refused"), std::string::npos) << error;
    EXPECT_TRUE(OwnNamespaces().empty());
}

}  // namespace
}  // namespace brevanta::test
