// The native viewer's connection attempt at the edge of its time.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "loopback_listener.h"
#include "tavrelin-viewer/connection.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

// Tavrelin takes on whoever completes a connection first and stops listening: a viewer that
// dropped a completed connection for want of time would hold its one place for nothing.
TEST(TavrelinViewerConnectionTest, AConnectionCompleteWhenTheTimeIsUpIsTaken) {
    LoopbackListener server;
    std::string error;
    const auto connection = viewer::Connection::Open("127.0.0.1", server.Port(), 0ms, &error);
    EXPECT_TRUE(connection) << error;
    EXPECT_TRUE(server.Accept(10s));
}

}  // namespace
}  // namespace brevanta::test
