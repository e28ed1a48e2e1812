// A tab's pointer messages and the records they become, written out by hand from the record
// format; and who drives the device when two tabs press at once.
#include <gtest/gtest.h>

#include <vector>

#include "tavrelin-web/pointer_input.h"

namespace brevanta::web {
namespace {

using Bytes = std::vector<std::uint8_t>;
using tavrelin::InputRecord;

constexpr tavrelin::ScreenSize kScreen{272, 480};

// Marker, event code and position, little-endian.
InputRecord Record(std::uint32_t code, std::uint16_t x, std::uint16_t y) {
    return {0xFF,
            0xFF,
            0xFF,
            0xFF,
            static_cast<std::uint8_t>(code),
            static_cast<std::uint8_t>(code >> 8),
            0,
            0,
            static_cast<std::uint8_t>(x),
            static_cast<std::uint8_t>(x >> 8),
            static_cast<std::uint8_t>(y),
            static_cast<std::uint8_t>(y >> 8)};
}

PointerEvent Event(PointerKind kind, std::uint16_t x, std::uint16_t y) {
    return PointerEvent{kind, x, y};
}

TEST(TavrelinWebPointerMessage, ReadsKindAndPositionLowByteFirst) {
    const Bytes message{3, 0x0F, 0x01, 0x20, 0x00};
    EXPECT_EQ(ParsePointerMessage(message, kScreen), Event(PointerKind::kRightDown, 271, 32));
}

TEST(TavrelinWebPointerMessage, APositionBeyondTheScreenIsMovedToItsEdge) {
    const Bytes message{0, 0xFF, 0xFF, 0x00, 0x02};
    EXPECT_EQ(ParsePointerMessage(message, kScreen), Event(PointerKind::kMove, 271, 479));
}

TEST(TavrelinWebPointerMessage, RefusesWhatIsNotOneEvent) {
    EXPECT_FALSE(ParsePointerMessage(Bytes{}, kScreen));
    EXPECT_FALSE(ParsePointerMessage(Bytes{1, 0, 0, 0}, kScreen));
    EXPECT_FALSE(ParsePointerMessage(Bytes{1, 0, 0, 0, 0, 0}, kScreen));
    EXPECT_FALSE(ParsePointerMessage(Bytes{5, 0, 0, 0, 0}, kScreen));
    EXPECT_FALSE(ParsePointerMessage(Bytes{0xFF, 0, 0, 0, 0}, kScreen));
}

TEST(TavrelinWebInputArbiter, EachKindBecomesItsRecordAndAPressComesWithAMove) {
    InputArbiter arbiter;
    EXPECT_EQ(arbiter.Admit(1, Event(PointerKind::kMove, 10, 20)),
              (std::vector<InputRecord>{Record(512, 10, 20)}));
    EXPECT_EQ(arbiter.Admit(1, Event(PointerKind::kLeftDown, 300, 2)),
              (std::vector<InputRecord>{Record(512, 300, 2), Record(513, 300, 2)}));
    EXPECT_EQ(arbiter.Admit(1, Event(PointerKind::kLeftUp, 301, 3)),
              (std::vector<InputRecord>{Record(512, 301, 3), Record(514, 301, 3)}));
    EXPECT_EQ(arbiter.Admit(1, Event(PointerKind::kRightDown, 4, 5)),
              (std::vector<InputRecord>{Record(512, 4, 5), Record(516, 4, 5)}));
    EXPECT_EQ(arbiter.Admit(1, Event(PointerKind::kRightUp, 4, 5)),
              (std::vector<InputRecord>{Record(512, 4, 5), Record(517, 4, 5)}));
}

TEST(TavrelinWebInputArbiter, TheFirstToPressDrivesUntilItReleases) {
    InputArbiter arbiter;
    ASSERT_FALSE(arbiter.Admit(1, Event(PointerKind::kLeftDown, 10, 10)).empty());
    EXPECT_EQ(arbiter.Holder(), 1u);
    EXPECT_TRUE(arbiter.Admit(2, Event(PointerKind::kLeftDown, 50, 50)).empty());
    EXPECT_TRUE(arbiter.Admit(2, Event(PointerKind::kMove, 60, 60)).empty());
    EXPECT_TRUE(arbiter.Admit(2, Event(PointerKind::kLeftUp, 60, 60)).empty());
    EXPECT_FALSE(arbiter.Admit(1, Event(PointerKind::kMove, 20, 20)).empty()) << "its drag goes on";
    EXPECT_FALSE(arbiter.Admit(1, Event(PointerKind::kLeftUp, 20, 20)).empty());
    EXPECT_FALSE(arbiter.Holder());
    EXPECT_FALSE(arbiter.Admit(2, Event(PointerKind::kLeftDown, 50, 50)).empty())
        << "once released, anybody may press";
}

TEST(TavrelinWebInputArbiter, AWatcherThatLeavesHoldingReleasesWhereItWas) {
    InputArbiter arbiter;
    arbiter.Admit(7, Event(PointerKind::kLeftDown, 10, 10));
    arbiter.Admit(7, Event(PointerKind::kRightDown, 11, 12));
    arbiter.Admit(7, Event(PointerKind::kMove, 40, 41));
    EXPECT_TRUE(arbiter.Release(8).empty()) << "only the holder has anything to release";
    EXPECT_EQ(arbiter.Release(7),
              (std::vector<InputRecord>{Record(514, 40, 41), Record(517, 40, 41)}));
    EXPECT_FALSE(arbiter.Holder());
    EXPECT_TRUE(arbiter.Release(7).empty());
}

}  // namespace
}  // namespace brevanta::web
