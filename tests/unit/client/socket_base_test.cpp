#include "net/socket_base.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(SocketBase, FirstObjectStartsTheServiceAndLastEndsIt) {
    ASSERT_EQ(CSocketBase::LiveObjectCount(), 0);
    ASSERT_FALSE(CSocketBase::IsServiceStarted());

    auto first = std::make_unique<CSocketBase>();
    EXPECT_EQ(CSocketBase::LiveObjectCount(), 1);
    EXPECT_TRUE(CSocketBase::IsServiceStarted());

    auto second = std::make_unique<CSocketBase>();
    EXPECT_EQ(CSocketBase::LiveObjectCount(), 2);
    first.reset();
    EXPECT_EQ(CSocketBase::LiveObjectCount(), 1);
    EXPECT_TRUE(CSocketBase::IsServiceStarted()) << "one object still lives";

    second.reset();
    EXPECT_EQ(CSocketBase::LiveObjectCount(), 0);
    EXPECT_FALSE(CSocketBase::IsServiceStarted());

    CSocketBase again;
    EXPECT_TRUE(CSocketBase::IsServiceStarted()) << "a new object starts the service again";
}

TEST(SocketBase, CloseIsHarmlessTwice) {
    CSocketBase socket;
    socket.Close();
    socket.Close();
    EXPECT_EQ(CSocketBase::LiveObjectCount(), 1);
}

}  // namespace
