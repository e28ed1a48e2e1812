// BrevantaClient against a server that fails it in every way the simulator knows, and against a
// device whose folder does not take the package or the record: each sync ends with the right
// message or the right record, within its time, and the client goes on working.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <string>
#include <vector>

#include <windows.h>
#include "client_sync_fixture.h"
#include "private_mounts.h"
#include "wait_until.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kRequestFailed = "Cannot send request to BrevantaServer";
constexpr const char* kDownloadFailed = "Cannot download file from BrevantaServer";

// What the device does to the sync besides the server's misbehaviour.
enum class Device { kAsIs, kNoAnswerToConnect, kReadOnlyFolder, kPackageNameTaken };

struct Fault {
    const char* name;
    std::vector<std::string> server;
    Device device;
    const char* message;
    // From the tap on "Sync" to the message: how long the client must wait, and how long it may.
    std::chrono::milliseconds shortest;
    std::chrono::milliseconds longest;
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

bool MakeDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::create_directory(path, error);
}

class ClientFaultTest : public ClientSyncFixture, public ::testing::WithParamInterface<Fault> {};

TEST_P(ClientFaultTest, EndsWithItsMessageInTimeAndStaysUsable) {
    const Fault& fault = GetParam();
    if (fault.device == Device::kReadOnlyFolder) {
        // Before any child process starts, so that the client sees the mount made below.
        std::string error;
        ASSERT_TRUE(EnterPrivateMounts(&error)) << error;
    }
    ServePattern();
    StartServer(fault.server);
    StartClientAndDiscover();

    std::unique_ptr<ReadOnlyFolder> readOnly;
    switch (fault.device) {
        case Device::kAsIs:
            break;
        case Device::kNoAnswerToConnect: {
            // The server's answers to the device vanish: the client's connection attempt is never
            // answered, neither accepted nor refused.
            const auto inServer = m_pair.EnterServer();
            const std::string route =
                std::string("ip route add blackhole ") + NetnsPair::kDeviceAddress + "/32";
            ASSERT_EQ(std::system(route.c_str()), 0);
            break;
        }
        case Device::kReadOnlyFolder:
            readOnly = std::make_unique<ReadOnlyFolder>(m_client.Folder());
            ASSERT_EQ(readOnly->Error(), "");
            break;
        case Device::kPackageNameTaken:
            ASSERT_TRUE(MakeDirectory(m_client.Folder() + "/" + kPackageName));
            break;
    }

    const auto tapped = Clock::now();
    ASSERT_TRUE(m_client.Tap(kSyncX, kSyncY));
    ASSERT_TRUE(WaitUntil([&] { return !MessageBoxText().empty(); }, fault.longest + 5s));
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - tapped);
    EXPECT_EQ(MessageBoxText(), fault.message);
    EXPECT_GE(waited, fault.shortest);
    EXPECT_LE(waited, fault.longest);
    std::cout << fault.name << ": message after " << waited.count() << " ms\n";
    EXPECT_FALSE(m_client.Record());
    EXPECT_TRUE(m_client.Opened().empty());

    // The message goes away and the main screen is as it was, still answering.
    ASSERT_TRUE(m_client.Key(VK_RETURN, 13));
    ASSERT_TRUE(m_client.WaitForWindowCount(1));
    const auto screen = m_client.Screen();
    ASSERT_TRUE(screen);
    EXPECT_FALSE(RecordShown(*screen));
    EXPECT_TRUE(AddressShown(*screen));
    EXPECT_TRUE(m_client.Running());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ClientFaultTest,
    ::testing::Values(
        Fault{"Refused", {"--refuse"}, Device::kAsIs, kRequestFailed, 0ms, 3s},
        Fault{"NoAnswerToConnect", {}, Device::kNoAnswerToConnect, kRequestFailed, 4500ms, 8s},
        Fault{
            "CloseBeforeHeader", {"--close-header", "0"}, Device::kAsIs, kDownloadFailed, 0ms, 3s},
        Fault{"ShortHeader", {"--close-header", "7"}, Device::kAsIs, kDownloadFailed, 0ms, 3s},
        Fault{"MalformedHeader",
              {"--raw-header", "4abcdefghij"},
              Device::kAsIs,
              kDownloadFailed,
              0ms,
              3s},
        Fault{"CloseMidBody", {"--close-after", "1000"}, Device::kAsIs, kDownloadFailed, 0ms, 3s},
        Fault{"SilencePastTheTimeout", {"--silent"}, Device::kAsIs, kDownloadFailed, 29500ms, 34s},
        Fault{"ReadOnlyFolder", {}, Device::kReadOnlyFolder, kDownloadFailed, 0ms, 3s},
        Fault{"PackageCannotBeCreated", {}, Device::kPackageNameTaken, kDownloadFailed, 0ms, 3s}),
    [](const ::testing::TestParamInfo<Fault>& fault) { return std::string(fault.param.name); });

// A server with no package answers with a bare header. The device must not count as provisioned:
// the sync fails at once with the download message, no record is written, nothing is opened, and
// the next start of the client runs as before.
using ClientEmptyAnswerTest = ClientSyncFixture;

TEST_F(ClientEmptyAnswerTest, ABareHeaderNeverProvisionsTheDevice) {
    m_served.WriteFile(kPackageName, "");
    StartServer();
    StartClientAndDiscover();

    const auto tapped = Clock::now();
    ASSERT_TRUE(m_client.Tap(kSyncX, kSyncY));
    ASSERT_TRUE(WaitUntil([&] { return !MessageBoxText().empty(); }, 5s));
    EXPECT_LE(Clock::now() - tapped, 1s);
    EXPECT_EQ(MessageBoxText(), kDownloadFailed);
    EXPECT_FALSE(m_client.Record());
    EXPECT_TRUE(m_client.Opened().empty());

    ASSERT_TRUE(m_client.Key(VK_RETURN, 13));
    ASSERT_TRUE(m_client.WaitForWindowCount(1));
    ASSERT_TRUE(m_client.Tap(134, 296));
    ASSERT_EQ(m_client.WaitForExit(10s), 0);
    EXPECT_FALSE(m_client.Record());
    ASSERT_TRUE(m_client.StartHeadless(m_pair.DevicePath()));
    // Discovery puts the address up again: by then a provisioned client would have quit.
    EXPECT_TRUE(m_client.WaitForScreen(AddressShown));
    EXPECT_TRUE(m_client.Running());
}

// Syncs that succeed although something is odd: each leaves the package, the record of its size
// and the package handed to the shell.
class ClientOddSyncTest : public ClientSyncFixture {
protected:
    // Taps "Sync" and waits until the package reached the shell; how long that took.
    std::chrono::milliseconds SyncUntilOpened(std::chrono::milliseconds timeout = 10s) {
        const auto tapped = Clock::now();
        EXPECT_TRUE(m_client.Tap(kSyncX, kSyncY));
        EXPECT_TRUE(WaitUntil([&] { return !m_client.Opened().empty(); }, timeout))
            << "message: " << MessageBoxText();
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - tapped);
    }

    void ExpectRecordOfSize(std::uint64_t size) {
        const std::string record = m_client.Record().value_or("");
        EXPECT_TRUE(std::regex_match(
            record, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d,)" + std::to_string(size))))
            << record;
        EXPECT_EQ(m_client.Opened(), m_client.Folder() + "/" + kPackageName + "\n");
        EXPECT_TRUE(m_client.WaitForScreen(RecordShown));
        EXPECT_EQ(m_client.Windows().size(), 1u) << "no message box";
    }
};

TEST_F(ClientOddSyncTest, BytesBeyondTheAnnouncedSizeAreNotKept) {
    ServePattern();
    StartServer({"--extra", "5000"});
    StartClientAndDiscover();
    SyncUntilOpened();
    EXPECT_EQ(ReadFileBytes(m_client.Folder() + "/" + kPackageName), m_package);
    ExpectRecordOfSize(kPackageSize);
}

// The record cannot replace a folder of its name: the package is still opened, the record is
// shown, and the next start does not take the device for provisioned.
TEST_F(ClientOddSyncTest, ARecordThatCannotBeStoredStaysOnScreenOnly) {
    ServePattern();
    StartServer();
    ASSERT_TRUE(MakeDirectory(m_client.Folder() + "/brevantaclient.txt"));
    StartClientAndDiscover();
    SyncUntilOpened();
    EXPECT_EQ(ReadFileBytes(m_client.Folder() + "/" + kPackageName), m_package);
    EXPECT_TRUE(m_client.WaitForScreen(RecordShown));
    EXPECT_TRUE(std::filesystem::is_directory(m_client.Folder() + "/brevantaclient.txt"));
    EXPECT_FALSE(std::filesystem::exists(m_client.Folder() + "/brevantaclient.txt.new"));

    ASSERT_TRUE(m_client.Tap(134, 296));
    ASSERT_EQ(m_client.WaitForExit(10s), 0);
    ASSERT_TRUE(m_client.StartHeadless(m_pair.DevicePath()));
    EXPECT_TRUE(m_client.WaitForWindowCount(1));
    EXPECT_TRUE(m_client.Running());
}

// Compares two files block by block without holding either whole.
bool SameFiles(const std::string& a, const std::string& b) {
    std::ifstream left(a, std::ios::binary);
    std::ifstream right(b, std::ios::binary);
    std::vector<char> leftBlock(1 << 20);
    std::vector<char> rightBlock(1 << 20);
    while (left && right) {
        left.read(leftBlock.data(), static_cast<std::streamsize>(leftBlock.size()));
        right.read(rightBlock.data(), static_cast<std::streamsize>(rightBlock.size()));
        if (left.gcount() != right.gcount() ||
            !std::equal(leftBlock.begin(), leftBlock.begin() + left.gcount(), rightBlock.begin())) {
            return false;
        }
    }
    return left.eof() && right.eof();
}

TEST_F(ClientOddSyncTest, AOneGibibytePackage) {
    constexpr std::uint64_t kSize = 1ULL << 30;
    struct statvfs disk {};
    ASSERT_EQ(statvfs(m_client.Folder().c_str(), &disk), 0);
    if (static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize < 2 * kSize) {
        GTEST_SKIP() << "needs 2 GiB free beside the client";
    }
    // A sparse file with a distinct block at its start, its middle and its end: the copy must
    // have every byte in place.
    const std::string served = m_served.Path() + "/" + kPackageName;
    const int fd = open(served.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kSize)), 0);
    const std::string block = PatternBytes(65536, 5);
    for (std::uint64_t at : {std::uint64_t{0}, kSize / 2 + 12345, kSize - block.size()}) {
        ASSERT_EQ(pwrite(fd, block.data(), block.size(), static_cast<off_t>(at)),
                  static_cast<ssize_t>(block.size()));
    }
    close(fd);

    StartServer();
    StartClientAndDiscover();
    const auto took = SyncUntilOpened(180s);
    std::cout << "1 GiB package synced in " << took.count() << " ms\n";
    ExpectRecordOfSize(kSize);
    EXPECT_TRUE(SameFiles(served, m_client.Folder() + "/" + kPackageName));
}

}  // namespace
}  // namespace brevanta::test
