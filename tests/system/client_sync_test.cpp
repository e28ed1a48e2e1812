// A whole sync: BrevantaClient in the device namespace finds the provisioning server simulator in
// the server namespace by broadcast, downloads the package, records it and opens it.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>

#include "client_sync_fixture.h"
#include "wait_until.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

using ClientSyncTest = ClientSyncFixture;

TEST_F(ClientSyncTest, DiscoverDownloadRecordAndOpen) {
    ServePattern();
    StartServer();
    StartClientAndDiscover();

    ASSERT_TRUE(m_client.Tap(kSyncX, kSyncY));
    ASSERT_TRUE(m_server.WaitFor("sent #1 kelmaris.cab 70000"));
    ASSERT_TRUE(WaitUntil([&] { return !m_client.Opened().empty(); }))
        << "record: " << m_client.Record().value_or("none");

    EXPECT_EQ(ReadFileBytes(m_client.Folder() + "/kelmaris.cab"), m_package);
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

}  // namespace
}  // namespace brevanta::test
