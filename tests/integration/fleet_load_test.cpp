// The load test's correctness part: fifty devices at once against the real server, each
// download checked byte by byte by the load generator (bench/fleet_load), and the generator
// itself shown to catch a changed byte and a response cut short.
#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "brevanta_server_fixture.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

constexpr int kDevices = 50;
constexpr std::size_t kPackageSize = 2 << 20;
constexpr auto kLoadTimeout = 30s;

struct LoadRun {
    int exitCode = -1;
    std::string figures;                // the first line
    std::vector<std::string> failures;  // the lines after it
};

// The number in "key=N" of the figures line, or -1.
long long Figure(const std::string& figures, const std::string& key) {
    std::size_t at = figures.find(key + "=");
    if (at == std::string::npos) {
        return -1;
    }
    long long value = -1;
    const char* start = figures.data() + at + key.size() + 1;
    std::from_chars(start, figures.data() + figures.size(), value);
    return value;
}

class FleetLoadTest : public BrevantaServerTest {
protected:
    void SetUp() override {
        BrevantaServerTest::SetUp();
        m_package = m_files.WritePatternFile("package.cab", kPackageSize, 5);
    }

    // Runs the generator with `devices` connections, checking against the file at `reference`.
    LoadRun Load(const std::string& reference, int devices = kDevices) {
        ChildProcess load;
        LoadRun run;
        EXPECT_TRUE(
            load.Start({FLEET_LOAD_PATH, "--connections", std::to_string(devices), "--timeout-ms",
                        "20000", "127.0.0.1", std::to_string(m_server.TcpPort()), reference}));
        run.figures = load.ReadLine(kLoadTimeout).value_or("");
        while (std::optional<std::string> line = load.ReadLine(kLoadTimeout)) {
            run.failures.push_back(*line);
        }
        run.exitCode = load.WaitForExit(kLoadTimeout);
        return run;
    }

    std::string m_package;
};

TEST_F(FleetLoadTest, FiftyDevicesAtOnceGetEveryByte) {
    StartServer();
    const LoadRun run = Load(m_files.Path() + "/package.cab");
    EXPECT_EQ(run.exitCode, 0) << run.figures << testing::PrintToString(run.failures);
    EXPECT_EQ(Figure(run.figures, "completed"), kDevices) << run.figures;
    EXPECT_EQ(Figure(run.figures, "failed"), 0);
    EXPECT_EQ(Figure(run.figures, "bytes"), static_cast<long long>(kDevices * kPackageSize));

    // The server's side: fifty whole responses, to fifty different devices.
    std::set<std::string> devices;
    for (int i = 0; i < kDevices; ++i) {
        const std::optional<std::string> sent = m_server.WaitFor("sent #");
        ASSERT_TRUE(sent) << "only " << i << " responses";
        EXPECT_TRUE(SimulatorProcess::EventOf(*sent).ends_with(" package.cab 2097152")) << *sent;
        devices.insert(SimulatorProcess::FieldOf(*sent, "peer"));
    }
    EXPECT_EQ(devices.size(), static_cast<std::size_t>(kDevices));
}

// Fifty responses paused between their chunks: the pauses of all devices run side by side on
// the one thread, and every byte still arrives in order.
TEST_F(FleetLoadTest, PausedResponsesOfFiftyDevicesAllComplete) {
    StartServer({"--chunk", "262144", "--pause", "20"});
    const LoadRun run = Load(m_files.Path() + "/package.cab");
    EXPECT_EQ(run.exitCode, 0) << run.figures << testing::PrintToString(run.failures);
    EXPECT_EQ(Figure(run.figures, "completed"), kDevices) << run.figures;
}

TEST_F(FleetLoadTest, TheGeneratorCatchesAChangedLastByte) {
    TemporaryDirectory elsewhere;
    std::string changed = m_package;
    changed.back() = static_cast<char>(changed.back() ^ 1);
    const std::string reference = elsewhere.WriteFile("package.cab", changed);
    StartServer();
    const LoadRun run = Load(reference, 5);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Figure(run.figures, "completed"), 0) << run.figures;
    EXPECT_EQ(run.failures, std::vector<std::string>{"failed 5: differs at byte 2097151"});
}

TEST_F(FleetLoadTest, TheGeneratorCatchesAResponseCutShort) {
    StartServer({"--close-after", "1000000"});
    const LoadRun run = Load(m_files.Path() + "/package.cab", 5);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Figure(run.figures, "failed"), 5) << run.figures;
    EXPECT_EQ(run.failures,
              std::vector<std::string>{"failed 5: closed after 1000000 of 2097152 body bytes"});
}

}  // namespace
}  // namespace brevanta::test
