// The bytes a transfer socket puts on the wire, and how it treats its connection, checked
// against a bare loopback listener.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "loopback_listener.h"
#include "net/transfer_service.h"
#include "net/transfer_socket.h"
#include "transfer_wire.h"

namespace {

using namespace std::chrono_literals;
using brevanta::test::LoopbackListener;

using brevanta::test::FileRequest;
using brevanta::test::NameMessage;

class TransferRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_listener.Listening());
        m_socket.SetServerAddress(u"127.0.0.1");
        m_socket.SetServerPort(m_listener.Port());
    }

    // Sends the request, takes the connection and returns the first count bytes that arrive.
    std::string SendAndCapture(const std::u16string& name, int mode, std::size_t count) {
        EXPECT_EQ(m_socket.SendRequest(name.c_str(), static_cast<int>(name.size()), mode),
                  CTransferSocket::kRequestSent);
        if (m_listener.AcceptCount() == 0) {
            EXPECT_TRUE(m_listener.Accept(2s));
        }
        return m_listener.Read(count, 2s).value_or("<nothing>");
    }

    LoopbackListener m_listener;
    CTransferSocket m_socket;
};

TEST_F(TransferRequestTest, FileRequestIsSeventyFiveBytes) {
    std::string request = SendAndCapture(u"kelmaris.cab", 0, 75);
    EXPECT_EQ(request, FileRequest("kelmaris.cab"));
    EXPECT_EQ(request.substr(0, 11), "        754");
    EXPECT_EQ(request.find_first_not_of('\0', 23), std::string::npos) << "52 zero bytes";
    EXPECT_FALSE(m_listener.HasPendingBytes());
}

TEST_F(TransferRequestTest, NameOfSixtyFourBytesFillsTheField) {
    const std::u16string name(64, u'n');
    EXPECT_EQ(SendAndCapture(name, 0, 75), "        754" + std::string(64, 'n'));
    EXPECT_FALSE(m_listener.HasPendingBytes()) << "no terminator after a full field";
}

TEST_F(TransferRequestTest, NamesAreCountedInUtf8Bytes) {
    // 21 euro signs are 63 bytes: with one more ASCII letter the name just fits.
    std::u16string fits(21, u'\u20AC');
    fits += u'x';
    std::string fitsBytes;
    for (int i = 0; i < 21; ++i) {
        fitsBytes += "\xE2\x82\xAC";
    }
    fitsBytes += 'x';
    EXPECT_EQ(SendAndCapture(fits, 0, 75), FileRequest(fitsBytes));

    EXPECT_EQ(SendAndCapture(u"pak\u00E9t.cab", 0, 75), FileRequest("pak\xC3\xA9t.cab"));
    // A character outside the basic plane: a surrogate pair becomes four bytes.
    EXPECT_EQ(SendAndCapture(u"\U0001F4E6.cab", 0, 75), FileRequest("\xF0\x9F\x93\xA6.cab"));
}

TEST_F(TransferRequestTest, TooLongNameSendsNothingAndKeepsTheConnection) {
    ASSERT_EQ(SendAndCapture(u"first", 0, 75), FileRequest("first"));

    const std::u16string sixtyFive(65, u'n');
    EXPECT_EQ(m_socket.SendRequest(sixtyFive.c_str(), 65, 0), CTransferSocket::kRequestUnfit);
    // 32 characters, but 96 bytes.
    const std::u16string wide(32, u'\u20AC');
    EXPECT_EQ(m_socket.SendRequest(wide.c_str(), 32, 0), CTransferSocket::kRequestUnfit);
    EXPECT_TRUE(m_socket.IsConnected());
    EXPECT_FALSE(m_listener.HasPendingBytes());

    EXPECT_EQ(SendAndCapture(u"second", 0, 75), FileRequest("second"));
    EXPECT_EQ(m_listener.AcceptCount(), 1) << "the same connection served all requests";
}

TEST_F(TransferRequestTest, NameMessageCarriesOnlyTheName) {
    EXPECT_EQ(SendAndCapture(u"kelmaris.cab", 1, 23), "        231kelmaris.cab");
    EXPECT_FALSE(m_listener.HasPendingBytes());
    // The name message has no 64-byte limit.
    const std::u16string longName(100, u'a');
    EXPECT_EQ(SendAndCapture(longName, 1, 111), NameMessage(std::string(100, 'a')));
}

TEST_F(TransferRequestTest, KeptConnectionClosedByThePeerIsReplaced) {
    ASSERT_EQ(SendAndCapture(u"one", 0, 75), FileRequest("one"));
    m_listener.CloseConnection();
    // The check before the next request finds the closed connection and connects again.
    EXPECT_EQ(m_socket.SendRequest(u"two", 3, 0), CTransferSocket::kRequestSent);
    ASSERT_TRUE(m_listener.Accept(2s));
    EXPECT_EQ(m_listener.Read(75, 2s).value_or(""), FileRequest("two"));
    EXPECT_EQ(m_listener.AcceptCount(), 2);
}

TEST_F(TransferRequestTest, UnexpectedBytesFromThePeerRenewTheConnection) {
    ASSERT_EQ(SendAndCapture(u"one", 0, 75), FileRequest("one"));
    ASSERT_TRUE(m_listener.Send("stray"));
    // Readable before a request means the connection is out of step: a new one is made.
    EXPECT_EQ(m_socket.SendRequest(u"two", 3, 0), CTransferSocket::kRequestSent);
    ASSERT_TRUE(m_listener.Accept(2s));
    EXPECT_EQ(m_listener.Read(75, 2s).value_or(""), FileRequest("two"));
}

TEST(TransferConnection, RefusedPortFailsAtOnce) {
    std::uint16_t port = 0;
    {
        LoopbackListener closed;
        port = closed.Port();
    }

    CTransferSocket socket;
    socket.SetServerAddress(u"127.0.0.1");
    socket.SetServerPort(port);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(socket.EnsureConnected(), 0);
    EXPECT_EQ(socket.SendRequest(u"kelmaris.cab", 12, 0), CTransferSocket::kRequestNoConnection);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s) << "no five-second wait for a refusal";
    EXPECT_FALSE(socket.IsConnected());
}

TEST(TransferConnection, AddressesThatAreNotDottedDecimalNeverConnect) {
    LoopbackListener listener;
    for (const char16_t* address :
         {u"", u"localhost", u"127.1", u"0x7f.0.0.1", u"127.0.0.1.5", u"127.000.000.0001"}) {
        CTransferSocket socket;
        socket.SetServerAddress(address);
        socket.SetServerPort(listener.Port());
        EXPECT_EQ(socket.EnsureConnected(), 0);
    }
    EXPECT_FALSE(listener.Accept(0ms));
}

TEST(TransferService, RequestFailuresGiveTheRequestMessage) {
    LoopbackListener listener(CTransferService::kServerPort);
    ASSERT_TRUE(listener.Listening());
    CTransferService service;

    // No address yet.
    EXPECT_EQ(service.FetchFile(u"kelmaris.cab"), 0);
    EXPECT_EQ(service.m_errorText, u"Cannot send request to BrevantaServer");

    service.SetServerAddress(u"127.0.0.1");
    EXPECT_EQ(service.FetchFile(std::u16string(65, u'n')), 0);
    EXPECT_EQ(service.m_errorText, u"Cannot send request to BrevantaServer");

    // An address longer than its field is refused rather than cut to something else.
    service.SetServerAddress(u"127.0.0.1.extra.text");
    EXPECT_EQ(service.FetchFile(u"kelmaris.cab"), 0);
    EXPECT_EQ(service.m_errorText, u"Cannot send request to BrevantaServer");
}

}  // namespace
