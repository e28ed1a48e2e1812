// Remote access from the kernel, under any display stack: the screen is the scanout (DRM, or the
// framebuffer device where there is no DRM device) and the pointer a uinput absolute pointer
// over the screen. It knows no windows: other programs' windows come from the display driver.
//
// The pointer's range is the size of the screen whose pixels the caller's positions are (the
// display driver's, asked at each move), so that the display server, which maps an absolute
// pointer's range onto its whole screen, puts pixel p at pixel p. When that size changes (a
// rotation) the device is made again with the new range; the display server may take a moment
// to open the new device, and input written meanwhile is lost.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "drivers/kernel/kernel_devices.h"
#include "drivers/kernel/scanout.h"
#include "drivers/kernel/uinput_device.h"
#include "drivers/remote_access.h"

namespace ce::drivers::kernel_remote {

class KernelRemote final : public ScreenAccess {
public:
    using ScreenSize = std::function<SIZE()>;

    // Opens the scanout and makes the pointer device; null with the reason in *error (a missing
    // device or privilege names it).
    static std::unique_ptr<KernelRemote> Create(const KernelDevices& devices, ScreenSize screenSize,
                                                std::string* error);

    // A scanout that cannot be read now fails the read and says why on stderr, once for each
    // new reason; so does a pointer event the kernel does not take.
    bool ReadScreen(const RECT& screenRect, gdi::Surface& destination, POINT at) override;
    POINT PointerPosition() const override;
    void InjectPointerMove(POINT screen) override;
    void InjectButton(MouseButton button, bool down) override;

private:
    KernelRemote(std::unique_ptr<Scanout> scanout, std::string uinputPath, ScreenSize screenSize,
                 std::unique_ptr<UinputDevice> pointer, SIZE range)
        : m_scanout(std::move(scanout)),
          m_uinputPath(std::move(uinputPath)),
          m_screenSize(std::move(screenSize)),
          m_pointer(std::move(pointer)),
          m_range(range) {}
    // Makes the pointer device again when the screen's size has changed.
    void FollowScreenSizeLocked();
    void WriteLocked(std::span<const input_event> events);
    void Report(const std::string& reason);

    const std::unique_ptr<Scanout> m_scanout;
    const std::string m_uinputPath;
    const ScreenSize m_screenSize;

    mutable std::mutex m_pointerMutex;
    std::unique_ptr<UinputDevice> m_pointer;
    SIZE m_range;
    POINT m_position{};

    std::mutex m_reportMutex;
    std::string m_reported;
};

}  // namespace ce::drivers::kernel_remote
