// The screen as the kernel shows it: the framebuffer the display scans out, looked up afresh at
// each read, so a display that flips between buffers or changes its mode is followed.
#pragma once

#include <memory>
#include <string>

#include "windef.h"

#include "drivers/kernel/kernel_devices.h"
#include "gdi/surface.h"

namespace ce::drivers::kernel_remote {

class Scanout {
public:
    virtual ~Scanout() = default;
    // Copies the screen rectangle as RemoteAccess::ReadScreen does; false with the reason in
    // *error when the scanout cannot be read now. Safe from any thread.
    virtual bool Read(const RECT& screenRect, gdi::Surface& destination, POINT at,
                      std::string* error) = 0;
};

// DRM's scanout where the machine has a DRM device (a card* in the DRI folder), else the
// framebuffer device's. Null with the reason in *error when neither can be read now: missing
// devices and privileges are found here, by one read, before anything else starts.
std::unique_ptr<Scanout> OpenScanout(const KernelDevices& devices, std::string* error);

}  // namespace ce::drivers::kernel_remote
