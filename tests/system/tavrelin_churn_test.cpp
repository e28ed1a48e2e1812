// Tavrelin in a network namespace of its own, attacked by viewers from the other end of a veth
// link: thousands of short visits of every kind, a viewer that never reads, one that vanishes
// with the link, Stop, Start and rotations under a viewer that polls without pause. Afterwards
// the program must hold what it held before and still serve a new viewer the screen as it is.
//
// BREVANTA_CHURN_CYCLES and BREVANTA_CHURN_ROUNDS make the first and the last scenario longer
// (scripts/churn.sh); every scenario prints its figures on a "churn" line.
#include <gtest/gtest.h>

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "emulation.h"
#include "netns_harness.h"
#include "process_probe.h"
#include "tavrelin_under_test.h"
#include "viewer_socket.h"
#include "wait_until.h"

namespace {

using namespace std::chrono_literals;
using brevanta::test::ChildProcess;
using brevanta::test::MeasureProcess;
using brevanta::test::NetnsPair;
using brevanta::test::ProcessFigures;
using brevanta::test::ReadPortState;
using brevanta::test::TavrelinUnderTest;
using brevanta::test::ViewerSocket;
using brevanta::test::WaitUntil;
using Clock = std::chrono::steady_clock;

constexpr int kPort = 23134;
constexpr char kScreen[] = "272x480";
constexpr char kRotatedScreen[] = "480x272 orientation 90";
constexpr std::uint8_t kScreenMode = 0x24;
constexpr std::size_t kBandBytes = 272 * 480 * 2 / 40;
constexpr long kResidentSlackKiB = 1024;
// AddressSanitizer keeps freed memory in quarantine and ThreadSanitizer delays frees and shadows
// every allocation: resident memory tells nothing about leaks there. Nor does it under QEMU's
// user-mode emulation, whose own heap (translated code, the state of every thread it ran) is in
// the process and grows with each viewer's threads. It is reported all the same.
bool ResidentMemoryTells() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return false;
#else
    return !brevanta::test::RunsEmulated();
#endif
}
// The viewer socket gives up a send after 3 s, and the viewer that holds it up is ended then:
// the window's thread waits for one such send at most. Twice that leaves room for slow builds;
// the window's answers to input get more, as painting under a sanitizer on a busy machine is slow.
constexpr auto kSendTimeout = 3s;
constexpr auto kViewerEndDeadline = 2 * kSendTimeout;
constexpr auto kWindowAnswerDeadline = 10s;
// Keepalive and the user timeout both end a silent viewer within 30 s.
constexpr auto kVanishedDetectionDeadline = 40s;

int FromEnvironment(const char* name, int fallback) {
    const char* text = std::getenv(name);
    const int value = text != nullptr ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const std::string& line) {
    std::printf("churn %s\n", line.c_str());
    std::fflush(stdout);
}

// Bytes no viewer sends on purpose: noise, markers followed by unknown codes or cut short, and
// update requests among them. No mouse record, so nothing lands on the control window.
std::string Garbage(std::mt19937& random) {
    std::string bytes;
    const int pieces = 1 + static_cast<int>(random() % 6);
    for (int piece = 0; piece < pieces; ++piece) {
        switch (random() % 4) {
            case 0:
                for (int i = static_cast<int>(random() % 200); i > 0; --i) {
                    bytes += static_cast<char>(random() % 0xFF);
                }
                break;
            case 1:
                bytes += std::string(4, '\xff') + "\x07\x07\x07\x07" + "\x01\x02\x03\x04";
                break;
            case 2:
                bytes += std::string(1 + random() % 3, '\xff');
                break;
            default:
                bytes += brevanta::test::UpdateRequestRecord();
                break;
        }
    }
    return bytes;
}

// Brings the test's end of the veth link up or down from the calling thread's namespace: with
// it down nothing the device sends arrives, and nothing comes back.
bool SetLinkUp(bool up) {
    const int control = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (control < 0) {
        return false;
    }
    bool done = false;
    if (struct if_nameindex* names = if_nameindex()) {
        for (const struct if_nameindex* name = names; name->if_index != 0; ++name) {
            if (std::string(name->if_name) == "lo") {
                continue;
            }
            ifreq request{};
            std::snprintf(request.ifr_name, sizeof request.ifr_name, "%s", name->if_name);
            if (ioctl(control, SIOCGIFFLAGS, &request) == 0) {
                request.ifr_flags = static_cast<short>(up ? request.ifr_flags | IFF_UP
                                                          : request.ifr_flags & ~IFF_UP);
                done = ioctl(control, SIOCSIFFLAGS, &request) == 0;
            }
        }
        if_freenameindex(names);
    }
    close(control);
    return done;
}

class TavrelinChurnTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!m_pair.Create(&error)) {
            GTEST_SKIP() << error;
        }
        ASSERT_TRUE(m_server.StartHeadless(m_pair.DevicePath(), kScreen));
        m_inServer = m_pair.EnterServer();
        ASSERT_TRUE(m_inServer);
        ASSERT_TRUE(WaitForListening());
        // The listener is there before its thread runs.
        ASSERT_TRUE(WaitUntil([&] { return brevanta::test::ThreadWaitsInAccept(Pid()); }));
        // The program listens before its window is shown, and the display driver's thread takes
        // on this test's control connection when it gets to it: until the window answers through
        // that connection, the program has not yet opened all it keeps open.
        ASSERT_TRUE(m_server.Control("Waiting..."));
        const auto idle = MeasureProcess(Pid());
        ASSERT_TRUE(idle);
        m_idleDescriptors = brevanta::test::DescribeDescriptors(Pid());
        // The first viewer leaves things behind for good: the C library's per-thread arena and
        // cached thread stacks, the kernel's socket slabs, pages of the frame buffers touched for
        // the first time. The baseline is taken after it so that only growth is measured.
        ExpectNewViewerGetsTheScreen();
        const auto settled = Settle(*idle, true);
        ASSERT_TRUE(settled) << "after one viewer: " << MeasureProcess(Pid())->Text()
                             << ", before it: " << idle->Text() << "\nopen before:\n"
                             << m_idleDescriptors << "open now:\n"
                             << brevanta::test::DescribeDescriptors(Pid());
        m_baseline = *settled;
    }

    void TearDown() override { m_inServer.reset(); }

    pid_t Pid() { return m_server.Process().Pid(); }

    bool WaitForListening(std::chrono::milliseconds timeout = 10s) {
        return WaitUntil([&] { return ReadPortState(Pid(), kPort).listening; }, timeout);
    }

    // Waits until the program listens with no viewer, its listening thread waits, and it holds
    // as many descriptors and threads as the reference (no more than it, when the reference was
    // taken while the program was still starting): the threads of a viewer end a little after
    // the viewer is reported gone.
    std::optional<ProcessFigures> Settle(const ProcessFigures& reference, bool atMost = false) {
        std::optional<ProcessFigures> now;
        const bool settled = WaitUntil([&] {
            // The same listener before and after the count: a viewer's socket is closed and the
            // next listener opened one after the other, not at once.
            const auto before = ReadPortState(Pid(), kPort);
            now = MeasureProcess(Pid());
            const auto after = ReadPortState(Pid(), kPort);
            if (!now || !before.listening || before.listener != after.listener ||
                after.established != 0 || !brevanta::test::ThreadWaitsInAccept(Pid())) {
                return false;
            }
            return atMost ? now->descriptors <= reference.descriptors &&
                                now->threads <= reference.threads
                          : now->descriptors == reference.descriptors &&
                                now->threads == reference.threads;
        });
        return settled ? now : std::nullopt;
    }

    // A viewer from the other end of the link gets a first frame, and once the screen has
    // settled its picture is the screen.
    void ExpectNewViewerGetsTheScreen() {
        const std::string snapshot = m_server.Folder() + "/viewer.png";
        char mode[8];
        std::snprintf(mode, sizeof mode, "0x%02x", kScreenMode);
        ChildProcess viewer;
        ASSERT_TRUE(brevanta::test::StartViewer(
            viewer,
            std::string("wait-frame; expect-mode ") + mode + "; expect-size " + kScreen +
                "; wait-idle 200; snapshot " + snapshot + "; wait 20000",
            {NetnsPair::kDeviceAddress}, m_pair.ServerPath()));
        ASSERT_TRUE(viewer.WaitForPrefix("snapshot", 15s))
            << ::testing::PrintToString(viewer.Lines());
        const auto screen = m_server.Screen();
        const auto picture = brevanta::test::ReadPng(snapshot);
        ASSERT_TRUE(screen && picture);
        EXPECT_TRUE(brevanta::test::Same565(*picture, *screen));
        viewer.Stop();
    }

    // Nothing leaked, nothing hung: the figures return to the baseline and a new viewer is
    // served.
    void ExpectBackToBaseline(const std::string& scenario) {
        const auto after = Settle(m_baseline);
        const auto now = MeasureProcess(Pid());
        ASSERT_TRUE(now) << "the program ended";
        Report(scenario + " before: " + m_baseline.Text() + " after: " + now->Text());
        if (!after || after->descriptors != m_baseline.descriptors) {
            std::printf("before the first viewer:\n%s", m_idleDescriptors.c_str());
        }
        ASSERT_TRUE(after) << "descriptors or threads differ; open now:\n"
                           << brevanta::test::DescribeDescriptors(Pid());
        if (ResidentMemoryTells()) {
            EXPECT_LE(after->residentKiB, m_baseline.residentKiB + kResidentSlackKiB);
        }
        ExpectNewViewerGetsTheScreen();
    }

    std::optional<ViewerSocket> Connect(int receiveBuffer = 0) {
        return ViewerSocket::Connect(NetnsPair::kDeviceAddress, kPort, 10s, receiveBuffer);
    }

    NetnsPair m_pair;
    TavrelinUnderTest m_server;
    std::unique_ptr<NetnsPair::ThreadGuard> m_inServer;
    ProcessFigures m_baseline;
    std::string m_idleDescriptors;
};

TEST_F(TavrelinChurnTest, ViewersOfEveryKindComeAndGoWithoutTrace) {
    const int cycles = FromEnvironment("BREVANTA_CHURN_CYCLES", 120);
    std::mt19937 random(20134);
    const auto start = Clock::now();
    unsigned long listener = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        enum Kind { kCloseAtOnce, kWholeFrame, kGarbage, kResetMidFrame };
        const auto kind = static_cast<Kind>(cycle % 4);
        // The server takes on one viewer per listening period and then closes that listener; a
        // viewer that reaches it before it closes is reset, so each cycle waits for a new one.
        ASSERT_TRUE(WaitUntil([&] {
            const auto state = ReadPortState(Pid(), kPort);
            const bool fresh = state.listening && state.listener != listener;
            listener = fresh ? state.listener : listener;
            return fresh;
        })) << "cycle "
            << cycle << ": no new listening period";
        // A small receive buffer keeps most of the frame in the server's hands when the reset
        // comes.
        auto viewer = Connect(kind == kResetMidFrame ? 4096 : 0);
        ASSERT_TRUE(viewer) << "cycle " << cycle << ": nothing accepts";
        switch (kind) {
            case kCloseAtOnce:
                break;
            case kWholeFrame: {
                ASSERT_TRUE(viewer->RequestUpdate());
                const auto frame = viewer->ReadFrame(kBandBytes, 10s);
                ASSERT_TRUE(frame) << "cycle " << cycle << ": no whole frame";
                ASSERT_EQ(frame->mode, kScreenMode);
                ASSERT_GT(frame->bands, 0);
                break;
            }
            case kGarbage:
                viewer->Send(Garbage(random));
                break;
            case kResetMidFrame:
                ASSERT_TRUE(viewer->RequestUpdate());
                ASSERT_TRUE(viewer->ReadSome(1 + random() % kBandBytes, 10s))
                    << "cycle " << cycle << ": no frame begun";
                viewer->Reset();
                break;
        }
    }
    const double seconds = SecondsSince(start);
    char line[128];
    std::snprintf(line, sizeof line, "cycles=%d seconds=%.2f cycles_per_s=%.1f", cycles, seconds,
                  cycles / seconds);
    Report(line);
    ExpectBackToBaseline("cycles");
}

TEST_F(TavrelinChurnTest, ViewerThatNeverReadsIsEndedWhileTheWindowAnswers) {
    const auto exitButton = m_server.Control("Exit");
    ASSERT_TRUE(exitButton);
    const int x = (exitButton->left + exitButton->right) / 2;
    const int y = (exitButton->top + exitButton->bottom) / 2;
    const auto before = m_server.Screen();
    ASSERT_TRUE(before);
    // The button's pixels change from what they were: pressed, then released (the look after a
    // release may keep a focus mark, so it is told from the pressed look, not the first one).
    const auto buttonChanges = [&](brevanta::test::Screenshot& from) {
        return m_server.WaitForScreen(
            [&](const brevanta::test::Screenshot& screen) {
                for (int row = exitButton->top; row < exitButton->bottom; ++row) {
                    for (int column = exitButton->left; column < exitButton->right; ++column) {
                        if (!(screen.At(column, row) == from.At(column, row))) {
                            from = screen;
                            return true;
                        }
                    }
                }
                return false;
            },
            kWindowAnswerDeadline);
    };

    auto stuck = Connect(4096);
    ASSERT_TRUE(stuck);
    ASSERT_TRUE(WaitUntil([&] { return ReadPortState(Pid(), kPort).established == 1; }));
    const auto start = Clock::now();
    ASSERT_TRUE(stuck->RequestUpdate());

    // Meanwhile the control socket answers at once, and the window's thread presses and
    // releases a button (released away from it, so nothing is clicked).
    double slowestListing = 0;
    double slowestWindow = 0;
    int probes = 0;
    brevanta::test::Screenshot look = *before;
    while (ReadPortState(Pid(), kPort).established > 0 && SecondsSince(start) < 20) {
        auto probe = Clock::now();
        ASSERT_FALSE(m_server.Windows().empty());
        slowestListing = std::max(slowestListing, SecondsSince(probe));
        probe = Clock::now();
        ASSERT_EQ(m_server.Command("down " + std::to_string(x) + " " + std::to_string(y)),
                  std::vector<std::string>{"ok"});
        ASSERT_TRUE(buttonChanges(look)) << "the window did not press the button";
        ASSERT_EQ(m_server.Command("move 1 1"), std::vector<std::string>{"ok"});
        ASSERT_EQ(m_server.Command("up 1 1"), std::vector<std::string>{"ok"});
        ASSERT_TRUE(buttonChanges(look)) << "the window did not release the button";
        slowestWindow = std::max(slowestWindow, SecondsSince(probe));
        ++probes;
    }
    ASSERT_TRUE(WaitForListening(20s)) << "the viewer that never reads holds the server";
    const double ended = SecondsSince(start);
    stuck->Reset();
    char line[160];
    std::snprintf(line, sizeof line,
                  "never-reading ended_s=%.2f probes=%d slowest_windows_s=%.3f "
                  "slowest_press_release_s=%.3f",
                  ended, probes, slowestListing, slowestWindow);
    Report(line);
    EXPECT_GT(probes, 0);
    EXPECT_LT(ended, std::chrono::duration<double>(kViewerEndDeadline).count());
    ExpectBackToBaseline("never-reading");
}

TEST_F(TavrelinChurnTest, ViewerThatVanishesIsDetectedAndReplaced) {
    auto vanishing = Connect();
    ASSERT_TRUE(vanishing);
    ASSERT_TRUE(vanishing->RequestUpdate());
    ASSERT_TRUE(vanishing->ReadFrame(kBandBytes, 10s));
    ASSERT_TRUE(WaitUntil([&] { return ReadPortState(Pid(), kPort).established == 1; }));

    ASSERT_TRUE(SetLinkUp(false));
    const auto cut = Clock::now();
    const bool detected = WaitForListening(kVanishedDetectionDeadline);
    const double detection = SecondsSince(cut);
    // The reset is lost with the link, so the device side hears nothing of this end closing.
    vanishing->Reset();
    ASSERT_TRUE(SetLinkUp(true));
    char line[96];
    std::snprintf(line, sizeof line, "vanished detected=%d detection_s=%.2f", detected ? 1 : 0,
                  detection);
    Report(line);
    ASSERT_TRUE(detected);
    EXPECT_GT(detection, 20.0) << "ended before keepalive could have";
    ExpectBackToBaseline("vanished");
}

TEST_F(TavrelinChurnTest, StopStartAndRotationsUnderAViewerThatPollsWithoutPause) {
    const int rounds = FromEnvironment("BREVANTA_CHURN_ROUNDS", 6);
    const auto stop = m_server.Control("Stop");
    const auto startButton = m_server.Control("Start");
    ASSERT_TRUE(stop && startButton);
    const auto tap = [&](const brevanta::test::ShownWindow& button) {
        return m_server.Tap((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    };

    // The poller is the real viewer, run again each time the server closes on it; only a bad
    // frame is a fault. A visit is a run that connected and ended.
    std::atomic<bool> polling{true};
    std::atomic<int> visits{0};
    std::atomic<int> badFrames{0};
    std::thread poller([&] {
        while (polling) {
            ChildProcess viewer;
            if (!brevanta::test::StartViewer(
                    viewer, "wait 60000",
                    {"--poll-ms", "1", "--quiet-frames", "--connect-timeout", "200",
                     NetnsPair::kDeviceAddress},
                    m_pair.ServerPath())) {
                continue;
            }
            // A visit is a connection that ended: the viewer left, or it connects again. A reset
            // ends one too, even before the viewer saw it connected: the server had the
            // connection, as its viewer or in the backlog of a listener it then closed.
            bool connected = false;
            const auto take = [&](const std::string& line) {
                if (line.starts_with("connected")) {
                    connected = true;
                } else if (line.find("reset by peer") != std::string::npos ||
                           (line.starts_with("reconnecting") && connected)) {
                    ++visits;
                    connected = false;
                }
            };
            while (polling) {
                if (const auto line = viewer.ReadLine(50ms)) {
                    take(*line);
                } else if (viewer.WaitForExit(0ms) >= 0) {
                    // A viewer that connects and is ended at once may print its last lines
                    // after the wait for a line gave up: they count all the same.
                    while (const auto last = viewer.ReadLine(1s)) {
                        take(*last);
                    }
                    break;
                }
            }
            const int code = viewer.WaitForExit(0ms);
            visits += connected && code >= 0 ? 1 : 0;
            badFrames += code == 4 ? 1 : 0;
        }
    });

    std::string failedStep;
    const auto step = [&](const std::string& name, bool done) {
        if (!done && failedStep.empty()) {
            failedStep = name;
        }
        return done;
    };
    // Each step waits for its effect on the poller's connection, so that every Stop, Start and
    // rotation lands while a viewer is there.
    const auto connected = [&] {
        return WaitUntil([&] { return ReadPortState(Pid(), kPort).established == 1; });
    };
    const auto closesOnThePoller = [&](const std::string& name,
                                       const std::function<bool()>& action) {
        const int before = visits;
        return step(name + ": no viewer polls", connected()) && step(name, action()) &&
               step(name + ": the viewer stays", WaitUntil([&] { return visits > before; }));
    };
    const auto command = [&](const std::string& line) {
        return [&, line] { return m_server.Command(line) == std::vector<std::string>{"ok"}; };
    };
    const auto start = Clock::now();
    for (int round = 0; round < rounds && failedStep.empty(); ++round) {
        closesOnThePoller("stop", [&] { return tap(*stop); }) &&
            step("stopped", WaitUntil([&] {
                     const auto state = ReadPortState(Pid(), kPort);
                     return !state.listening && state.established == 0;
                 })) &&
            step("start", tap(*startButton)) &&
            closesOnThePoller("rotate", command(std::string("screen ") + kRotatedScreen)) &&
            step("windows", !m_server.Windows().empty()) &&
            closesOnThePoller("rotate back",
                              command(std::string("screen ") + kScreen + " orientation 0"));
    }
    step("served at the end", connected());
    const double seconds = SecondsSince(start);
    polling = false;
    poller.join();
    char line[128];
    std::snprintf(line, sizeof line, "stop-start-rotate rounds=%d seconds=%.2f viewer_visits=%d",
                  rounds, seconds, visits.load());
    Report(line);
    if (!failedStep.empty()) {
        const auto state = ReadPortState(Pid(), kPort);
        std::string texts;
        for (const auto& control : m_server.Controls()) {
            texts += control.text + "|";
        }
        ADD_FAILURE() << failedStep << " (listening=" << state.listening
                      << " established=" << state.established << " controls: " << texts << ")";
    }
    EXPECT_EQ(badFrames, 0);
    EXPECT_GT(visits, 0);
    const auto status = m_server.Control("Waiting...");
    EXPECT_TRUE(status) << "the status line does not wait for a viewer";
    ExpectBackToBaseline("stop-start-rotate");
}

}  // namespace
