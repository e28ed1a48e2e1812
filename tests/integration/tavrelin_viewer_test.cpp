// The viewer program against a stand-in display server played by the test itself: snapshots hold
// the pixels that were sent, input goes out as exact records, and a refused connection, a closing
// server, a bad frame and a silent server each end the script as documented.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "child_process.h"
#include "loopback_listener.h"
#include "test_files.h"

namespace brevanta::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kTimeout = 10s;
constexpr int kWidth = 272;
constexpr int kHeight = 480;
constexpr std::size_t kBandSize = kWidth * kHeight * 2 / 40;

const std::string kUpdateRequest("\xFF\xFF\xFF\xFF\x13\x01\x00\x00\x00\x00\x00\x00", 12);

std::string Record(unsigned code, unsigned x, unsigned y) {
    std::string record = "\xFF\xFF\xFF\xFF";
    for (unsigned value : {code, code >> 8, code >> 16, code >> 24, x, x >> 8, y, y >> 8}) {
        record.push_back(static_cast<char>(value & 0xFF));
    }
    return record;
}

// The picture the viewer must hold: all 0xFF, then the bands as they came.
class Screen {
public:
    Screen() : m_bytes(kWidth * kHeight * 2, '\xFF') {}

    // A frame carrying the given bands with fresh random bytes, which the screen takes on.
    std::string Frame(std::uint8_t mode, const std::vector<int>& bands) {
        std::string payload;
        for (int band : bands) {
            std::string bytes = PatternBytes(kBandSize, m_seed++);
            m_bytes.replace(band * kBandSize, kBandSize, bytes);
            payload += static_cast<char>(band) + bytes;
        }
        char header[16];
        std::snprintf(header, sizeof header, "%10zu", payload.size() + 10);
        header[0] = static_cast<char>(mode);
        return std::string(header, 10) + payload;
    }

    // RGB888 of the pixel at (x, y) from the top left, channels widened by their top bits.
    std::array<std::uint8_t, 3> Rgb(int x, int y) const {
        const std::size_t offset = (static_cast<std::size_t>(kHeight - 1 - y) * kWidth + x) * 2;
        const unsigned word = static_cast<unsigned char>(m_bytes[offset]) |
                              static_cast<unsigned char>(m_bytes[offset + 1]) << 8;
        const unsigned r = word >> 11, g = (word >> 5) & 0x3F, b = word & 0x1F;
        return {static_cast<std::uint8_t>(r << 3 | r >> 2),
                static_cast<std::uint8_t>(g << 2 | g >> 4),
                static_cast<std::uint8_t>(b << 3 | b >> 2)};
    }

private:
    std::string m_bytes;
    std::uint32_t m_seed = 1;
};

// Pixels of the PNG that differ from the screen; -1 when it cannot be read or has another size.
int WrongPixels(const std::string& path, const Screen& screen) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return -1;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) ||
        image.width != static_cast<unsigned>(kWidth) ||
        image.height != static_cast<unsigned>(kHeight)) {
        return -1;
    }
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t* got = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
            wrong += std::array<std::uint8_t, 3>{got[0], got[1], got[2]} != screen.Rgb(x, y);
        }
    }
    return wrong;
}

class TavrelinViewerTest : public testing::Test {
protected:
    void StartViewer(const std::string& script, std::vector<std::string> options = {}) {
        std::vector<std::string> argv = {TAVRELIN_VIEWER_PATH, "--port",
                                         std::to_string(m_server.Port()), "--script", script};
        argv.insert(argv.end(), options.begin(), options.end());
        ASSERT_TRUE(m_viewer.Start(argv));
    }

    // Plays the server for one viewer: each update request is answered with the next of the
    // frames; once they are used up, requests get no answer. Returns every record received,
    // up to the viewer's close (or the server's, with closeAfterFrames).
    // With onlyAfterTap, the screen changes only on a left-button-down: requests before it get
    // no answer, as from a server whose screen stands still.
    std::vector<std::string> Serve(const std::vector<std::string>& frames,
                                   bool closeAfterFrames = false, bool onlyAfterTap = false) {
        std::vector<std::string> records;
        EXPECT_TRUE(m_server.Accept(kTimeout));
        std::size_t next = 0;
        bool changed = !onlyAfterTap;
        while (std::optional<std::string> record = m_server.Read(12, kTimeout)) {
            records.push_back(*record);
            changed = changed || record->substr(4, 4) == std::string("\x01\x02\0\0", 4);
            if (*record == kUpdateRequest && next < frames.size() && changed) {
                changed = !onlyAfterTap;
                EXPECT_TRUE(m_server.Send(frames[next++]));
                if (next == frames.size() && closeAfterFrames) {
                    m_server.CloseConnection();
                    break;
                }
            }
        }
        return records;
    }

    int Finish() {
        const int status = m_viewer.WaitForExit(kTimeout);
        while (m_viewer.ReadLine(100ms)) {
        }
        return status;
    }

    bool Printed(const std::string& line) const {
        const auto& lines = m_viewer.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::string Output() const {
        std::string all;
        for (const std::string& line : m_viewer.Lines()) {
            all += line + "\n";
        }
        return all;
    }

    LoopbackListener m_server;
    ChildProcess m_viewer;
    TemporaryDirectory m_files;
};

TEST_F(TavrelinViewerTest, SnapshotHoldsThePixelsSentAndInputGoesOutAsRecords) {
    ASSERT_TRUE(m_server.Listening());
    Screen screen;
    const std::string first = screen.Frame(0x24, {0, 5, 17, 39});
    const std::string second = screen.Frame(0x21, {5, 20});
    const std::string path = m_files.Path() + "/shot.png";
    StartViewer("wait-frame; wait-frame; snapshot " + path +
                "; expect-mode 0x21; expect-size 272x480; tap 100 200; right-down 3 4");
    const std::vector<std::string> records = Serve({first, second});
    EXPECT_EQ(Finish(), 0) << Output();

    EXPECT_TRUE(Printed("connected 127.0.0.1:" + std::to_string(m_server.Port()))) << Output();
    EXPECT_TRUE(Printed("size 272x480")) << Output();
    EXPECT_TRUE(Printed("frame mode=0x24 bytes=" + std::to_string(first.size()) + " bands=4"));
    EXPECT_TRUE(Printed("frame mode=0x21 bytes=" + std::to_string(second.size()) + " bands=2"));
    EXPECT_TRUE(Printed("snapshot " + path));
    EXPECT_TRUE(Printed("done"));

    // The first record asks for the screen; each input is followed by an update request.
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front(), kUpdateRequest);
    const std::vector<std::string> tap = {Record(512, 100, 200), Record(513, 100, 200),
                                          Record(514, 100, 200), kUpdateRequest,
                                          Record(516, 3, 4),     kUpdateRequest};
    EXPECT_NE(std::search(records.begin(), records.end(), tap.begin(), tap.end()), records.end());

    EXPECT_EQ(WrongPixels(path, screen), 0);
}

TEST_F(TavrelinViewerTest, WaitUpdateAndTapLatencyFollowTheScreensChanges) {
    Screen screen;
    std::vector<std::string> frames;
    for (int band = 0; band < 4; ++band) {
        frames.push_back(screen.Frame(0x24, {band}));
    }
    StartViewer("wait-update 200; tap-latency 3 10 10 20 20; tap 5 5; expect-update; snapshot " +
                    m_files.Path() + "/a.png; expect-pixel 0 479 " +
                    [&] {
                        const auto rgb = screen.Rgb(0, 479);  // band 0: the screen's bottom
                        char word[8];
                        std::snprintf(word, sizeof word, "0x%04x",
                                      (rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | rgb[2] >> 3);
                        return std::string(word);
                    }(),
                {"--poll-ms", "10", "--settle-ms", "60"});
    Serve(frames, false, true);
    EXPECT_EQ(Finish(), 0) << Output();
    EXPECT_TRUE(Printed("no-update")) << Output();
    EXPECT_TRUE(Printed("update frames=1")) << Output();
    const auto& lines = m_viewer.Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.starts_with("latency count=3 missed=0 median_ms=");
                            }),
              1)
        << Output();
}

TEST_F(TavrelinViewerTest, RefusedConnectionIsTriedAgainThenExitsWithItsOwnStatus) {
    std::uint16_t port = 0;
    {
        LoopbackListener closed;
        port = closed.Port();
    }
    ASSERT_TRUE(m_viewer.Start({TAVRELIN_VIEWER_PATH, "--port", std::to_string(port),
                                "--connect-timeout", "400", "--script", "wait-frame"}));
    EXPECT_EQ(Finish(), 3);
    ASSERT_FALSE(m_viewer.Lines().empty());
    // 50, 100 and 200 ms apart within the 400 ms.
    EXPECT_GE(std::count_if(m_viewer.Lines().begin(), m_viewer.Lines().end(),
                            [](const std::string& line) {
                                return line.starts_with("reconnecting cannot connect");
                            }),
              2)
        << Output();
    EXPECT_TRUE(m_viewer.Lines().back().starts_with("error cannot connect")) << Output();
}

TEST_F(TavrelinViewerTest, AConnectionEndedBeforeAnyFrameIsMadeAgain) {
    Screen screen;
    StartViewer("wait-frame; expect-mode 0x24");
    // As Tavrelin does with a connection that reached its backlog while it took another viewer.
    ASSERT_TRUE(m_server.Accept(kTimeout));
    m_server.CloseConnection();
    Serve({screen.Frame(0x24, {1})});
    EXPECT_EQ(Finish(), 0) << Output();
    EXPECT_EQ(m_server.AcceptCount(), 2);
    EXPECT_TRUE(Printed("reconnecting closed by the server")) << Output();
}

TEST_F(TavrelinViewerTest, ToldToReconnectItComesBackAfterADropWithTheWholePicture) {
    Screen before;
    Screen after;
    const std::string path = m_files.Path() + "/again.png";
    StartViewer("wait-frame; wait-frame; snapshot " + path, {"--reconnect"});
    Serve({before.Frame(0x24, {3, 4})}, true);
    // The server took the viewer on afresh: its first frame resets the picture.
    Serve({after.Frame(0x24, {9})});
    EXPECT_EQ(Finish(), 0) << Output();
    EXPECT_TRUE(Printed("reconnecting closed by the server")) << Output();
    const auto& lines = m_viewer.Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("connected"); }),
              2)
        << Output();
    EXPECT_EQ(WrongPixels(path, after), 0) << "bands 3 and 4 of the first connection are gone";
}

TEST_F(TavrelinViewerTest, ServerClosingFailsTheCommandThatNeedsIt) {
    Screen screen;
    StartViewer("wait-frame; wait-frame");
    Serve({screen.Frame(0x44, {3})}, true);
    EXPECT_EQ(Finish(), 1) << Output();
    EXPECT_TRUE(Printed("closed")) << Output();
    EXPECT_TRUE(Printed("fail wait-frame: connection closed")) << Output();
    EXPECT_FALSE(Printed("done"));
}

TEST_F(TavrelinViewerTest, BadFrameIsReportedAndEndsTheConnection) {
    Screen screen;
    std::string bad = screen.Frame(0x24, {7});
    bad[10] = 40;
    StartViewer("wait-frame; wait-frame");
    Serve({bad});
    EXPECT_EQ(Finish(), 4) << Output();
    EXPECT_TRUE(Printed("error bad frame: band index 40 is out of range")) << Output();
}

TEST_F(TavrelinViewerTest, SilentServerTimesOutWhilePollingSteadily) {
    StartViewer("wait-frame 300", {"--poll-ms", "20"});
    const std::vector<std::string> records = Serve({});
    EXPECT_EQ(Finish(), 1) << Output();
    EXPECT_TRUE(Printed("fail wait-frame 300: no frame within 300 ms")) << Output();
    EXPECT_TRUE(std::all_of(records.begin(), records.end(),
                            [](const std::string& r) { return r == kUpdateRequest; }));
    // Every 20 ms for 300 ms: well over five requests even on a loaded machine.
    EXPECT_GE(records.size(), 5u);
}

}  // namespace
}  // namespace brevanta::test
