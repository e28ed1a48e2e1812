// Finding and acting on the viewer's input records, and pointer scaling.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/input_parser.h"

namespace {

// What the parser did, in order: "move 32767,65330", "update" ...
class RecordedActions : public InputActions {
public:
    void MouseEvent(DWORD flags, DWORD x, DWORD y) override {
        log.push_back(std::to_string(flags) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void RequestUpdate() override { log.push_back("update"); }

    std::vector<std::string> log;
};

std::string Record(std::uint32_t code, std::uint16_t x, std::uint16_t y) {
    std::string bytes(4, '\xFF');
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>(code >> (8 * i) & 0xFF);
    }
    bytes += static_cast<char>(x & 0xFF);
    bytes += static_cast<char>(x >> 8);
    bytes += static_cast<char>(y & 0xFF);
    bytes += static_cast<char>(y >> 8);
    return bytes;
}

// The receive buffer of one viewer: each Receive appends a chunk and runs the parser, as the
// receive thread does.
class ReceiveBuffer {
public:
    explicit ReceiveBuffer(ScreenSize screen = {240, 320}) : m_screen(screen) {}

    void Receive(const std::string& chunk) {
        ASSERT_LE(pending + static_cast<int>(chunk.size()), kReceiveCapacity);
        std::memcpy(m_bytes + pending, chunk.data(), chunk.size());
        pending += static_cast<int>(chunk.size());
        ParseInputRecords(pending, m_bytes, actions, m_screen);
        ASSERT_LE(pending, 35);
    }
    std::string Pending() const {
        return {reinterpret_cast<const char*>(m_bytes), static_cast<std::size_t>(pending)};
    }

    RecordedActions actions;
    int pending = 0;

private:
    ScreenSize m_screen;
    unsigned char m_bytes[kReceiveCapacity + 1] = {};
};

using Log = std::vector<std::string>;
const std::string kMove = std::to_string(0x8001) + " ";
const std::string kLeftDown = std::to_string(0x8002) + " ";
const std::string kLeftUp = std::to_string(0x8004) + " ";

TEST(InputParser, EachCodeActsAsItsTableSays) {
    struct Case {
        std::uint32_t code;
        Log expected;
    };
    const Case cases[] = {
        {0x200, {kMove + "0,0", "update"}},
        {0x201, {kLeftDown + "0,0", "update"}},
        {0x202, {kLeftUp + "0,0", "update"}},
        {0x204, {std::to_string(0x8008) + " 0,0", "update"}},
        {0x205, {std::to_string(0x8010) + " 0,0", "update"}},
        {275, {"update"}},
        {515, {}},
        {0xFFFFFFFF, {}},
    };
    for (const Case& c : cases) {
        ReceiveBuffer buffer;
        buffer.Receive(Record(c.code, 0, 0));
        EXPECT_EQ(buffer.actions.log, c.expected) << "code " << c.code;
        EXPECT_EQ(buffer.pending, 0) << "code " << c.code;
    }
}

TEST(InputParser, RecordsBackToBackGetOneUpdateAfterThem) {
    ReceiveBuffer buffer;
    buffer.Receive(Record(0x201, 120, 0) + Record(0x200, 0, 319) + Record(0x202, 239, 160));
    EXPECT_EQ(buffer.actions.log,
              (Log{kLeftDown + "32767,0", kMove + "0,65330", kLeftUp + "65261,32767", "update"}));
    EXPECT_EQ(buffer.pending, 0);
}

TEST(InputParser, ARecordSplitAcrossReceivesIsHandledWhole) {
    ReceiveBuffer buffer;
    const std::string second = Record(0x200, 10, 20);
    buffer.Receive(Record(0x201, 1, 2) + second.substr(0, 6));
    EXPECT_EQ(buffer.pending, 6);
    EXPECT_EQ(buffer.actions.log.size(), 2u);
    buffer.Receive(second.substr(6));
    EXPECT_EQ(buffer.pending, 0);
    EXPECT_EQ(buffer.actions.log,
              (Log{kLeftDown + "273,409", "update", kMove + "2730,4095", "update"}));
}

TEST(InputParser, FewerThanARecordWaitsWithoutAnUpdate) {
    ReceiveBuffer buffer;
    buffer.Receive(Record(0x201, 5, 5).substr(0, 11));
    EXPECT_TRUE(buffer.actions.log.empty());
    EXPECT_EQ(buffer.pending, 11);
}

TEST(InputParser, JunkBeforeARecordIsDroppedAndTheRecordActedOnOnce) {
    ReceiveBuffer buffer;
    buffer.Receive(std::string(13, 'a') + Record(0x201, 0, 0));
    EXPECT_EQ(buffer.actions.log, (Log{kLeftDown + "0,0", "update"}));
    EXPECT_EQ(buffer.pending, 0);
}

TEST(InputParser, AMisalignedStreamActsOnEveryRecordExactlyOnce) {
    ReceiveBuffer buffer;
    // Junk with zero bytes, then records whose markers lie at every offset of the 12-byte slots,
    // delivered in odd-sized chunks.
    std::string stream = std::string("\x01\x00\x02", 3);
    for (int i = 0; i < 20; ++i) {
        stream += Record(i % 2 == 0 ? 0x201 : 0x202, static_cast<std::uint16_t>(i), 0);
        stream += std::string(static_cast<std::size_t>(i % 5), '\0');
    }
    for (std::size_t at = 0; at < stream.size(); at += 7) {
        buffer.Receive(stream.substr(at, 7));
    }
    int clicks = 0;
    for (const std::string& entry : buffer.actions.log) {
        clicks += entry != "update" ? 1 : 0;
    }
    EXPECT_EQ(clicks, 20);
    EXPECT_EQ(buffer.actions.log.front(), kLeftDown + "0,0");
    EXPECT_EQ(buffer.pending, 0);
}

TEST(InputParser, FortyBytesWithoutAMarkerAreDropped) {
    ReceiveBuffer buffer;
    buffer.Receive(std::string(40, 'z'));
    EXPECT_TRUE(buffer.actions.log.empty());
    EXPECT_EQ(buffer.pending, 0);
}

TEST(InputParser, ATrailingPartOfAMarkerStaysPending) {
    ReceiveBuffer buffer;
    const std::string record = Record(0x201, 0, 0);
    buffer.Receive(std::string(20, 'z') + record.substr(0, 3));
    EXPECT_EQ(buffer.Pending(), std::string(3, '\xFF'));
    buffer.Receive(record.substr(3));
    EXPECT_EQ(buffer.actions.log, (Log{kLeftDown + "0,0", "update"}));
    EXPECT_EQ(buffer.pending, 0);
}

TEST(InputParser, AFullBufferKeepsOnlyTheIncompleteTail) {
    ReceiveBuffer buffer;
    std::string chunk;
    while (chunk.size() + 12 <= static_cast<std::size_t>(kReceiveCapacity)) {
        chunk += Record(0x200, 1, 1);
    }
    chunk += Record(0x200, 1, 1).substr(0, kReceiveCapacity - static_cast<int>(chunk.size()));
    buffer.Receive(chunk);
    EXPECT_EQ(buffer.pending, kReceiveCapacity % 12);
    EXPECT_EQ(std::count(buffer.actions.log.begin(), buffer.actions.log.end(), "update"), 1);
}

TEST(PointerScaling, FullRangeAcrossTheScreenIn64Bits) {
    EXPECT_EQ(ScaleToAbsolute(120, 240), 32767u);
    EXPECT_EQ(ScaleToAbsolute(319, 320), 65330u);
    EXPECT_EQ(ScaleToAbsolute(0, 480), 0u);
    EXPECT_EQ(ScaleToAbsolute(65535, 240), 65535u * 65535u / 240u) << "no 32-bit overflow";
    EXPECT_EQ(ScaleToAbsolute(100, 0), 0u);
}

// The split independence the fuzz target checks on random streams, pinned on one with a partial
// marker among junk, an ignored code, an update request and a partial marker at the end.
TEST(InputParser, EveryTwoWaySplitActsAsOneReceive) {
    const std::string stream = std::string("\xFF\xFF\x07", 3) + Record(0x201, 3, 4) +
                               Record(0x203, 1, 1) + std::string("\x00\x01", 2) +
                               Record(0x113, 0, 0) + Record(0x202, 9, 9) + std::string(3, '\xFF');
    ReceiveBuffer whole;
    whole.Receive(stream);
    ASSERT_EQ(whole.actions.log, (Log{kLeftDown + "819,819", kLeftUp + "2457,1843", "update"}));
    ASSERT_EQ(whole.pending, 3);
    for (std::size_t split = 1; split < stream.size(); ++split) {
        ReceiveBuffer buffer;
        buffer.Receive(stream.substr(0, split));
        buffer.Receive(stream.substr(split));
        Log events;
        for (const std::string& entry : buffer.actions.log) {
            if (entry != "update") {
                events.push_back(entry);
            }
        }
        EXPECT_EQ(events, (Log{kLeftDown + "819,819", kLeftUp + "2457,1843"})) << split;
        EXPECT_EQ(buffer.Pending(), whole.Pending()) << split;
    }
}

}  // namespace
