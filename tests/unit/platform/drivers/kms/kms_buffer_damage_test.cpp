// Two scanout buffers shown in turn, each drawn only where it lacks the screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "drivers/kms/kms_buffer_damage.h"
#include "drivers/kms/kms_pixel_format.h"
#include "gdi/surface.h"

namespace ce::drivers::kms {
namespace {

TEST(KmsBufferDamage, TheBufferShownAfterEachFlipHoldsTheWholeScreen) {
    constexpr int kWidth = 16;
    constexpr int kHeight = 12;
    constexpr std::size_t kPitch = kWidth * 2 + 6;
    gdi::Surface screen(kWidth, kHeight);
    // Buffers start black, as the screen does.
    std::vector<std::uint8_t> buffers[2] = {std::vector<std::uint8_t>(kPitch * kHeight),
                                            std::vector<std::uint8_t>(kPitch * kHeight)};
    BufferDamage damage;
    int front = 0;
    std::uint32_t random = 12345;
    const auto next = [&](std::uint32_t limit) {
        random = random * 1103515245u + 12345u;
        return static_cast<LONG>((random >> 16) % limit);
    };
    for (int frame = 0; frame < 200; ++frame) {
        SCOPED_TRACE(frame);
        // Up to two changes between flips, some frames none.
        const LONG changes = next(3);
        for (LONG i = 0; i < changes; ++i) {
            const LONG left = next(kWidth);
            const LONG top = next(kHeight);
            const RECT area{left, top, left + 1 + next(kWidth - left),
                            top + 1 + next(kHeight - top)};
            screen.Fill(area, static_cast<gdi::Pixel>(next(0x10000)));
            damage.Add(area);
        }
        const int back = 1 - front;
        CopyToScanout(screen, damage.Take(back), ScanoutFormat::kRgb565, buffers[back].data(),
                      kPitch);
        front = back;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::uint8_t* pixel = buffers[front].data() + y * kPitch + x * 2;
                ASSERT_EQ(pixel[0] | (pixel[1] << 8), screen.At(x, y)) << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace ce::drivers::kms
