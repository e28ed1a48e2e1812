#include "pointer_input.h"

#include <algorithm>

namespace brevanta::web {
namespace {

using tavrelin::EncodeRecord;
using tavrelin::EventCode;
using tavrelin::InputRecord;

EventCode CodeFor(PointerKind kind) {
    switch (kind) {
        case PointerKind::kLeftDown:
            return EventCode::kLeftDown;
        case PointerKind::kLeftUp:
            return EventCode::kLeftUp;
        case PointerKind::kRightDown:
            return EventCode::kRightDown;
        case PointerKind::kRightUp:
            return EventCode::kRightUp;
        case PointerKind::kMove:
            break;
    }
    return EventCode::kMove;
}

std::uint16_t Clamp(std::uint16_t value, int side) {
    return static_cast<std::uint16_t>(std::min<int>(value, std::max(side - 1, 0)));
}

}  // namespace

std::optional<PointerEvent> ParsePointerMessage(std::span<const std::uint8_t> message,
                                                tavrelin::ScreenSize screen) {
    if (message.size() != kPointerMessageSize ||
        message[0] > static_cast<std::uint8_t>(PointerKind::kRightUp)) {
        return std::nullopt;
    }
    PointerEvent event;
    event.kind = static_cast<PointerKind>(message[0]);
    event.x = Clamp(static_cast<std::uint16_t>(message[1] | message[2] << 8), screen.width);
    event.y = Clamp(static_cast<std::uint16_t>(message[3] | message[4] << 8), screen.height);
    return event;
}

std::vector<InputRecord> InputArbiter::Admit(WatcherId watcher, const PointerEvent& event) {
    if (m_holder && *m_holder != watcher) {
        return {};
    }
    std::vector<InputRecord> records;
    if (event.kind != PointerKind::kMove) {
        records.push_back(EncodeRecord(EventCode::kMove, event.x, event.y));
    }
    records.push_back(EncodeRecord(CodeFor(event.kind), event.x, event.y));
    switch (event.kind) {
        case PointerKind::kLeftDown:
            m_left = true;
            break;
        case PointerKind::kLeftUp:
            m_left = false;
            break;
        case PointerKind::kRightDown:
            m_right = true;
            break;
        case PointerKind::kRightUp:
            m_right = false;
            break;
        case PointerKind::kMove:
            break;
    }
    m_x = event.x;
    m_y = event.y;
    m_holder = m_left || m_right ? std::optional<WatcherId>(watcher) : std::nullopt;
    return records;
}

std::vector<InputRecord> InputArbiter::Release(WatcherId watcher) {
    std::vector<InputRecord> records;
    if (m_holder != watcher) {
        return records;
    }
    if (m_left) {
        records.push_back(EncodeRecord(EventCode::kLeftUp, m_x, m_y));
    }
    if (m_right) {
        records.push_back(EncodeRecord(EventCode::kRightUp, m_x, m_y));
    }
    m_left = m_right = false;
    m_holder.reset();
    return records;
}

}  // namespace brevanta::web
