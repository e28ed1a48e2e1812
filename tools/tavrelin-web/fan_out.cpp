#include "fan_out.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace brevanta::web {

WatcherId FanOut::Join(Pace pace) {
    const WatcherId id = m_nextId++;
    m_watchers[id] = Watcher{pace, kAllBands};
    return id;
}

void FanOut::Leave(WatcherId id) {
    m_watchers.erase(id);
}

void FanOut::BandsChanged(std::uint64_t mask) {
    for (auto& [id, watcher] : m_watchers) {
        watcher.owed |= mask & kAllBands;
    }
}

std::uint64_t FanOut::Owed(WatcherId id) const {
    const auto found = m_watchers.find(id);
    return found == m_watchers.end() ? 0 : found->second.owed;
}

std::uint64_t FanOut::Take(WatcherId id) {
    const auto found = m_watchers.find(id);
    if (found == m_watchers.end()) {
        return 0;
    }
    return std::exchange(found->second.owed, 0);
}

std::size_t FanOut::Count(Pace pace) const {
    return static_cast<std::size_t>(
        std::count_if(m_watchers.begin(), m_watchers.end(),
                      [pace](const auto& entry) { return entry.second.pace == pace; }));
}

std::vector<std::uint8_t> BuildFrameMessage(const tavrelin::Picture& picture, std::uint8_t mode,
                                            std::uint64_t bands) {
    bands &= kAllBands;
    if (picture.Empty() || bands == 0) {
        return {};
    }
    const tavrelin::ScreenSize size = picture.Size();
    const std::size_t bandSize = tavrelin::BandSize(size);
    const auto width = static_cast<std::uint16_t>(size.width);
    const auto height = static_cast<std::uint16_t>(size.height);
    std::vector<std::uint8_t> message{kFrameMessage,
                                      mode,
                                      static_cast<std::uint8_t>(width),
                                      static_cast<std::uint8_t>(width >> 8),
                                      static_cast<std::uint8_t>(height),
                                      static_cast<std::uint8_t>(height >> 8)};
    message.reserve(kFrameMessageHeader +
                    static_cast<std::size_t>(std::popcount(bands)) * (bandSize + 1));
    const std::span<const std::uint8_t> pixels = picture.Bytes();
    for (int band = 0; band < tavrelin::kBandCount; ++band) {
        if ((bands >> band & 1) == 0) {
            continue;
        }
        message.push_back(static_cast<std::uint8_t>(band));
        const auto from = pixels.begin() + static_cast<std::ptrdiff_t>(band * bandSize);
        message.insert(message.end(), from, from + static_cast<std::ptrdiff_t>(bandSize));
    }
    return message;
}

}  // namespace brevanta::web
