// What the display shows: two dumb buffers shown in turn by page flips, each drawn only where it
// lacks the screen. A card that cannot flip gets one buffer drawn in place, each change flushed
// to it with DirtyFB (drivers whose scanout reads memory directly ignore that).
//
// Belongs to the driver's thread, which waits for the flips on the card's descriptor.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "drivers/kms/kms_buffer_damage.h"
#include "drivers/kms/kms_buffers.h"
#include "drivers/kms/kms_device.h"
#include "gdi/surface.h"

namespace ce::drivers::kms {

class KmsScanout {
public:
    // Null with the reason in *error when the buffers cannot be made.
    static std::unique_ptr<KmsScanout> Create(KmsDevice& device, std::string* error);

    // Sets the mode with the whole screen drawn: at start and when the seat comes back. False
    // with the reason in *error when the mode cannot be set.
    bool Show(const gdi::Surface& screen, std::string* error);
    // The seat went away: nothing is drawn until Show.
    void Pause();

    // The screen changed there.
    void AddDamage(const RECT& area);
    // Draw has something to show and nothing keeps it from it (a flip still on its way, the
    // seat away).
    bool Ready() const;
    // Draws what the next frame lacks and shows it.
    void Draw(const gdi::Surface& screen);

    // The card's descriptor is readable: handles the flips that completed.
    void HandleEvents();

private:
    explicit KmsScanout(KmsDevice& device) : m_device(device) {}
    static void OnFlip(int fd, unsigned sequence, unsigned seconds, unsigned microseconds,
                       void* generation);
    void DrawBuffer(const gdi::Surface& screen, int buffer, RECT* drawn);
    void FlipFailed(int error, const RECT& drawn);

    KmsDevice& m_device;
    std::array<std::unique_ptr<DumbBuffer>, BufferDamage::kBuffers> m_buffers;
    BufferDamage m_damage;
    int m_front = 0;
    bool m_flips = true;
    bool m_flipPending = false;
    bool m_active = false;
    // The screen changed since the last frame was drawn.
    bool m_changed = false;
    // Flips asked for before the mode was set anew complete unseen.
    std::uintptr_t m_generation = 0;
};

}  // namespace ce::drivers::kms
