// One device's picture shared by every tab that watches it. Each watcher owes nothing but a set
// of bands: when a frame changes bands, every watcher is owed them; when a watcher is ready to
// send, it takes what it is owed and builds one message from the current picture. So a slow tab
// never holds a queue: bands it has not taken yet are sent once, as they are by then.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "common/tavrelin/picture.h"

namespace brevanta::web {

using WatcherId = std::uint64_t;

// A device view is sent every change as soon as it can take it; the device list's thumbnails
// come at a slower pace and ask the device for changes less often.
enum class Pace { kFull, kThumbnail };

constexpr std::uint64_t kAllBands = (std::uint64_t{1} << tavrelin::kBandCount) - 1;

class FanOut {
public:
    // A watcher that joins is owed the whole picture.
    WatcherId Join(Pace pace);
    void Leave(WatcherId id);

    // A frame brought these bands (all of them when the picture changed size).
    void BandsChanged(std::uint64_t mask);
    std::uint64_t Owed(WatcherId id) const;
    // What the watcher is owed, now no longer owed.
    std::uint64_t Take(WatcherId id);

    std::size_t Count() const { return m_watchers.size(); }
    std::size_t Count(Pace pace) const;

private:
    struct Watcher {
        Pace pace = Pace::kFull;
        std::uint64_t owed = kAllBands;
    };
    std::map<WatcherId, Watcher> m_watchers;
    WatcherId m_nextId = 1;
};

// The binary message a tab gets: 1, the mode byte, width and height (16 bits each, low byte
// first), then one record a band as Tavrelin sends it: the band index and the band's bytes of
// the bottom-up RGB565 picture. Nothing when the picture is empty or no band is named.
std::vector<std::uint8_t> BuildFrameMessage(const tavrelin::Picture& picture, std::uint8_t mode,
                                            std::uint64_t bands);

constexpr std::uint8_t kFrameMessage = 1;
constexpr std::size_t kFrameMessageHeader = 6;

}  // namespace brevanta::web
