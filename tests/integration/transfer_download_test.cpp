// Downloads through the transfer client from the provisioning server simulator over loopback,
// with the simulator behaving well and badly.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "kernel/tick_count.h"
#include "net/transfer_service.h"
#include "net/transfer_socket.h"
#include "small_disk.h"
#include "test_files.h"
#include "transfer_fixture.h"

namespace {

using namespace std::chrono_literals;
using brevanta::test::PatternBytes;

constexpr char16_t kPackage[] = u"kelmaris.cab";
constexpr char kPackageName[] = "kelmaris.cab";
const std::u16string kSendFailed = u"Cannot send request to BrevantaServer";
const std::u16string kDownloadFailed = u"Cannot download file from BrevantaServer";

class TransferDownloadTest : public ::testing::Test, public brevanta::test::TransferFixtureBase {
protected:
    void SetUp() override {
        m_service.SetDownloadDirectory(DownloadDirectory());
        m_service.SetServerAddress(u"127.0.0.1");
    }

    // A socket for cases that need a short inactivity timeout.
    void PrepareShortTimeoutSocket(DWORD timeout) {
        m_socket.SetServerAddress(u"127.0.0.1");
        m_socket.SetServerPort(CTransferService::kServerPort);
        m_socket.SetDownloadDirectory(DownloadDirectory().c_str());
        m_socket.SetInactivityTimeout(timeout);
    }
    int FetchWithSocket() {
        if (m_socket.RequestFile(kPackage, 12) != CTransferSocket::kRequestSent) {
            return -1;
        }
        return m_socket.DownloadFile(kPackage);
    }

    CTransferService m_service;
    CTransferSocket m_socket;
};

TEST_F(TransferDownloadTest, DownloadsTheFileByteForByte) {
    const std::string package = PatternBytes(100000, 1);
    Serve(kPackageName, package);
    ASSERT_TRUE(StartSimulator());
    ASSERT_EQ(m_service.FetchFile(kPackage), 1)
        << std::string(m_service.m_errorText.begin(), m_service.m_errorText.end());
    EXPECT_TRUE(m_service.m_errorText.empty());
    EXPECT_EQ(ReadDownloaded(kPackageName), package);
}

// A server with nothing to give answers with a bare header. That is a failed download at once,
// whether the server keeps the connection or closes it, and the next request goes out on a new
// connection.
TEST_F(TransferDownloadTest, BareHeaderFailsAtOnce) {
    for (const bool serverCloses : {false, true}) {
        SCOPED_TRACE(serverCloses ? "server closes" : "server keeps the connection");
        Serve(kPackageName, "");
        ASSERT_TRUE(serverCloses ? StartSimulator({"--close-after-response"}) : StartSimulator());
        m_service.SetServerAddress(u"127.0.0.1");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(m_service.FetchFile(kPackage), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "no wait for more bytes";
        EXPECT_EQ(m_service.m_errorText, kDownloadFailed);
        EXPECT_EQ(NextLine("sent #"), "sent #1 kelmaris.cab 0");

        Serve(kPackageName, "now there is one");
        ASSERT_EQ(m_service.FetchFile(kPackage), 1);
        EXPECT_EQ(ReadDownloaded(kPackageName), "now there is one");
        EXPECT_EQ(NextLine("sent #"), "sent #2 kelmaris.cab 16");
    }
}

TEST_F(TransferDownloadTest, LargeFile) {
    const std::string package = PatternBytes(64u << 20, 7);
    Serve(kPackageName, package);
    ASSERT_TRUE(StartSimulator());
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_TRUE(ReadDownloaded(kPackageName) == package) << "64 MiB differ";
}

TEST_F(TransferDownloadTest, ReplacesAnExistingFile) {
    Serve(kPackageName, "new");
    std::ofstream(DownloadPath(kPackageName)) << "an older and longer package";
    ASSERT_TRUE(StartSimulator());
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_EQ(ReadDownloaded(kPackageName), "new");
}

TEST_F(TransferDownloadTest, CloseMidBodyLeavesThePartialFile) {
    Serve(kPackageName, PatternBytes(10000, 2));
    ASSERT_TRUE(StartSimulator({"--close-after", "1000"}));
    EXPECT_EQ(m_service.FetchFile(kPackage), 0);
    EXPECT_EQ(m_service.m_errorText, kDownloadFailed);
    EXPECT_EQ(ReadDownloaded(kPackageName), PatternBytes(10000, 2).substr(0, 1000));
}

TEST_F(TransferDownloadTest, HeaderArrivingInPiecesIsCollected) {
    Serve(kPackageName, PatternBytes(5000, 3));
    ASSERT_TRUE(StartSimulator({"--header-pieces", "4", "--pause", "30"}));
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_EQ(ReadDownloaded(kPackageName), PatternBytes(5000, 3));
}

TEST_F(TransferDownloadTest, MalformedHeadersFail) {
    Serve(kPackageName, PatternBytes(300, 4));
    for (const char* header : {"abcdefghij4", "         54", "          4", "  -0000300F"}) {
        ASSERT_TRUE(StartSimulator({"--raw-header", header}));
        m_service.SetServerAddress(u"127.0.0.1");
        EXPECT_EQ(m_service.FetchFile(kPackage), 0) << header;
        EXPECT_EQ(m_service.m_errorText, kDownloadFailed) << header;
    }
}

TEST_F(TransferDownloadTest, ShortHeaderThenCloseFails) {
    Serve(kPackageName, PatternBytes(300, 4));
    ASSERT_TRUE(StartSimulator({"--close-header", "6"}));
    EXPECT_EQ(m_service.FetchFile(kPackage), 0);
    EXPECT_EQ(m_service.m_errorText, kDownloadFailed);
}

TEST_F(TransferDownloadTest, BytesBeyondTheAnnouncedSizeAreNotWritten) {
    const std::string package = PatternBytes(5000, 5);
    Serve(kPackageName, package);
    ASSERT_TRUE(StartSimulator({"--extra", "3000"}));
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_EQ(ReadDownloaded(kPackageName), package);
    EXPECT_EQ(NextLine("sent #"), "sent #1 kelmaris.cab 5000");

    // The surplus left the kept connection readable: the next fetch uses a new one.
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_EQ(ReadDownloaded(kPackageName), package);
    EXPECT_EQ(NextLine("sent #"), "sent #2 kelmaris.cab 5000");
}

TEST_F(TransferDownloadTest, SmallerAnnouncedSizeGivesThatManyBytes) {
    Serve(kPackageName, PatternBytes(5000, 6));
    ASSERT_TRUE(StartSimulator({"--announce", "100"}));
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_EQ(ReadDownloaded(kPackageName), PatternBytes(5000, 6).substr(0, 100));
}

TEST_F(TransferDownloadTest, KeptConnectionIsReused) {
    Serve(kPackageName, PatternBytes(2000, 8));
    Serve("second.bin", PatternBytes(3000, 9));
    ASSERT_TRUE(StartSimulator());
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    ASSERT_EQ(m_service.FetchFile(u"second.bin"), 1);
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_EQ(ReadDownloaded("second.bin"), PatternBytes(3000, 9));
    EXPECT_EQ(NextLine("sent #"), "sent #1 kelmaris.cab 2000");
    EXPECT_EQ(NextLine("sent #"), "sent #1 second.bin 3000");
    EXPECT_EQ(NextLine("sent #"), "sent #1 kelmaris.cab 2000");
}

TEST_F(TransferDownloadTest, ConnectionClosedByTheServerIsReplacedWithoutAnError) {
    Serve(kPackageName, PatternBytes(2000, 10));
    ASSERT_TRUE(StartSimulator({"--close-after-response"}));
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_EQ(NextLine("sent #"), "sent #1 kelmaris.cab 2000");
    ASSERT_EQ(NextLine("closed #"), "closed #1");
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_TRUE(m_service.m_errorText.empty());
    EXPECT_EQ(NextLine("sent #"), "sent #2 kelmaris.cab 2000");
}

TEST_F(TransferDownloadTest, AddressChangeDropsTheConnection) {
    Serve(kPackageName, PatternBytes(2000, 11));
    ASSERT_TRUE(StartSimulator());
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    // Each connection logs from a thread of its own: the first line is awaited before the second
    // connection starts, so that the two cannot come out in either order.
    EXPECT_EQ(NextLine("sent #"), "sent #1 kelmaris.cab 2000");
    m_service.SetServerAddress(u"127.0.0.1");
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_EQ(NextLine("sent #"), "sent #2 kelmaris.cab 2000");
}

TEST_F(TransferDownloadTest, RefusedConnectionGivesTheRequestMessage) {
    Serve(kPackageName, "x");
    ASSERT_TRUE(StartSimulator({"--refuse"}));
    EXPECT_EQ(m_service.FetchFile(kPackage), 0);
    EXPECT_EQ(m_service.m_errorText, kSendFailed);
    EXPECT_FALSE(Downloaded(kPackageName));
}

TEST_F(TransferDownloadTest, MissingFileOnTheServerFails) {
    ASSERT_TRUE(StartSimulator());
    EXPECT_EQ(m_service.FetchFile(kPackage), 0);
    EXPECT_EQ(m_service.m_errorText, kDownloadFailed);
}

TEST_F(TransferDownloadTest, FileThatCannotBeCreatedFailsAndTheNextFetchRecovers) {
    Serve(kPackageName, PatternBytes(800, 12));
    ASSERT_TRUE(StartSimulator());
    m_service.SetDownloadDirectory(
        DeviceForm(std::filesystem::path(m_downloads.Path()) / "missing") + u"\\");
    EXPECT_EQ(m_service.FetchFile(kPackage), 0);
    EXPECT_EQ(m_service.m_errorText, kDownloadFailed);

    // The unread response left the connection readable; the next fetch starts afresh.
    m_service.SetDownloadDirectory(DownloadDirectory());
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    EXPECT_EQ(ReadDownloaded(kPackageName), PatternBytes(800, 12));
}

TEST_F(TransferDownloadTest, TooLongDownloadDirectoryIsRefused) {
    Serve(kPackageName, "x");
    ASSERT_TRUE(StartSimulator());
    m_service.SetDownloadDirectory(DownloadDirectory() + std::u16string(300, u'd') + u"\\");
    EXPECT_EQ(m_service.FetchFile(kPackage), 0);
    EXPECT_EQ(m_service.m_errorText, kDownloadFailed);
}

TEST_F(TransferDownloadTest, FailingFileWriteEndsTheDownload) {
    if (access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    Serve("full", PatternBytes(5000, 13));
    ASSERT_TRUE(StartSimulator());
    m_service.SetDownloadDirectory(u"\\dev\\");
    EXPECT_EQ(m_service.FetchFile(u"full"), 0);
    EXPECT_EQ(m_service.m_errorText, kDownloadFailed);
}

// The download folder is a disk of 4 MiB, of which 1 MiB is kept free.
TEST_F(TransferDownloadTest, PackageLargerThanTheFreeSpaceIsRefusedBeforeAnyByteIsWritten) {
    constexpr std::size_t kMiB = 1024 * 1024;
    brevanta::test::SmallDisk disk(4 * kMiB);
    if (disk.Path().empty()) {
        GTEST_SKIP() << disk.Error();
    }
    m_service.SetDownloadDirectory(DeviceForm(disk.Path()) + u"\\");
    const auto packagePath = std::filesystem::path(disk.Path()) / kPackageName;
    Serve(kPackageName, PatternBytes(4000, 14));

    // Beyond the disk, and beyond what leaves the reserve free.
    for (const std::size_t announced : {8 * kMiB, 3 * kMiB + 1}) {
        SCOPED_TRACE(announced);
        ASSERT_TRUE(StartSimulator({"--announce", std::to_string(announced)}));
        EXPECT_EQ(m_service.FetchFile(kPackage), 0);
        EXPECT_EQ(m_service.m_errorText, kDownloadFailed);
        ASSERT_TRUE(std::filesystem::exists(packagePath));
        EXPECT_EQ(std::filesystem::file_size(packagePath), 0u) << "created, nothing written";
    }

    // An old package's space counts as free: it is emptied before the check.
    const std::string fits = PatternBytes(2 * kMiB + kMiB / 2, 15);
    Serve(kPackageName, fits);
    ASSERT_TRUE(StartSimulator());
    ASSERT_EQ(m_service.FetchFile(kPackage), 1);
    ASSERT_EQ(m_service.FetchFile(kPackage), 1) << "replacing a package of the same size";
    EXPECT_EQ(brevanta::test::ReadFileBytes(packagePath.string()).value_or(""), fits);
}

TEST_F(TransferDownloadTest, SlowChunksInsideTheTimeoutKeepTheDownloadAlive) {
    // The tick count wraps during the download, which must not matter.
    ce::kernel::SetTickCountOffsetForTesting(0);
    ce::kernel::SetTickCountOffsetForTesting(0xFFFFFFFFu - GetTickCount() - 300);
    const std::string package = PatternBytes(4000, 14);
    Serve(kPackageName, package);
    ASSERT_TRUE(StartSimulator({"--chunk", "1000", "--pause", "250"}));
    PrepareShortTimeoutSocket(1000);
    EXPECT_EQ(FetchWithSocket(), 1);
    EXPECT_EQ(ReadDownloaded(kPackageName), package);
    ce::kernel::SetTickCountOffsetForTesting(0);
}

TEST_F(TransferDownloadTest, SilencePastTheTimeoutFails) {
    Serve(kPackageName, PatternBytes(100, 15));
    ASSERT_TRUE(StartSimulator({"--silent"}));
    PrepareShortTimeoutSocket(300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FetchWithSocket(), 0);
    // The timeout, plus at most one two-second read wait.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3500ms);
    EXPECT_FALSE(m_socket.IsConnected());
}

TEST_F(TransferDownloadTest, WaitForTheFirstByteCountsFromTheStartNotFromTheHeader) {
    Serve(kPackageName, PatternBytes(100, 16));
    // The header trickles in over 600 ms with gaps shorter than the timeout: had the header
    // counted as progress, the download would go on.
    ASSERT_TRUE(StartSimulator({"--header-pieces", "3", "--pause", "300"}));
    PrepareShortTimeoutSocket(500);
    EXPECT_EQ(FetchWithSocket(), 0);
}

}  // namespace
