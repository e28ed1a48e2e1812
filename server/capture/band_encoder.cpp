#include "capture/band_encoder.h"

#include <cstddef>
#include <cstring>

int FrameSize(int width, int height) {
    return width * height * 2;
}

int BandSize(int frameSize) {
    return frameSize / kBandCount;
}

int UpdateBufferSize(int frameSize) {
    return frameSize + kBandCount;
}

int EncodeChangedBands(const BYTE* pixels, BYTE* previous, int bandSize, BYTE* update) {
    const auto size = static_cast<std::size_t>(bandSize);
    std::size_t written = 0;
    for (int band = 0; band < kBandCount; ++band) {
        const std::size_t offset = static_cast<std::size_t>(band) * size;
        if (std::memcmp(previous + offset, pixels + offset, size) == 0) {
            continue;
        }
        std::memcpy(previous + offset, pixels + offset, size);
        update[written] = static_cast<BYTE>(band);
        std::memcpy(update + written + 1, pixels + offset, size);
        written += size + 1;
    }
    return static_cast<int>(written);
}
