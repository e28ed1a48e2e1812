// The pointer input a tab sends, and which of it reaches the device when several people drive
// one device at once.
//
// A tab sends one binary message an event: the kind (0 move, 1 left down, 2 left up, 3 right
// down, 4 right up), then x and y in device pixels, 16 bits each, low byte first.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/tavrelin/input_record.h"
#include "common/tavrelin/screen.h"
#include "fan_out.h"

namespace brevanta::web {

enum class PointerKind : std::uint8_t {
    kMove = 0,
    kLeftDown = 1,
    kLeftUp = 2,
    kRightDown = 3,
    kRightUp = 4,
};

struct PointerEvent {
    PointerKind kind = PointerKind::kMove;
    std::uint16_t x = 0;
    std::uint16_t y = 0;

    bool operator==(const PointerEvent&) const = default;
};

constexpr std::size_t kPointerMessageSize = 5;

// Nothing when the message is not one well-formed event. A position beyond the screen is moved
// to its nearest edge (a drag may leave the canvas).
std::optional<PointerEvent> ParsePointerMessage(std::span<const std::uint8_t> message,
                                                tavrelin::ScreenSize screen);

// The first watcher to press a button drives the device until it has released every button;
// meanwhile the others' events are dropped, so that two hands never make one pointer jump
// between them mid-drag. A press comes with a move to its spot: a tap is a click there.
class InputArbiter {
public:
    std::vector<tavrelin::InputRecord> Admit(WatcherId watcher, const PointerEvent& event);
    // The watcher left: releases whatever it still held, where it last was.
    std::vector<tavrelin::InputRecord> Release(WatcherId watcher);

    std::optional<WatcherId> Holder() const { return m_holder; }

private:
    std::optional<WatcherId> m_holder;
    bool m_left = false;
    bool m_right = false;
    std::uint16_t m_x = 0;
    std::uint16_t m_y = 0;
};

}  // namespace brevanta::web
