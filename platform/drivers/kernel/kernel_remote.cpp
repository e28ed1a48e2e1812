#include "drivers/kernel/kernel_remote.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "drivers/kernel/pointer_events.h"
#include "drivers/kernel/uinput_description.h"

namespace ce::drivers::kernel_remote {
namespace {

// The device's name says whose it is in the display server's list of devices.
std::string PointerName() {
    return std::string(program_invocation_short_name) + " remote pointer";
}

SIZE PointerRange(SIZE screen) {
    return SIZE{std::max<LONG>(screen.cx, 1), std::max<LONG>(screen.cy, 1)};
}

}  // namespace

std::unique_ptr<KernelRemote> KernelRemote::Create(const KernelDevices& devices,
                                                   ScreenSize screenSize, std::string* error) {
    std::unique_ptr<Scanout> scanout = OpenScanout(devices, error);
    if (!scanout) {
        return nullptr;
    }
    const SIZE range = PointerRange(screenSize());
    std::unique_ptr<UinputDevice> pointer =
        UinputDevice::Create(devices.uinput, AbsolutePointer(range, PointerName()), error);
    if (!pointer) {
        return nullptr;
    }
    return std::unique_ptr<KernelRemote>(new KernelRemote(
        std::move(scanout), devices.uinput, std::move(screenSize), std::move(pointer), range));
}

bool KernelRemote::ReadScreen(const RECT& screenRect, gdi::Surface& destination, POINT at) {
    std::string error;
    if (!m_scanout->Read(screenRect, destination, at, &error)) {
        Report(error);
        return false;
    }
    return true;
}

POINT KernelRemote::PointerPosition() const {
    std::lock_guard lock(m_pointerMutex);
    return m_position;
}

void KernelRemote::InjectPointerMove(POINT screen) {
    std::lock_guard lock(m_pointerMutex);
    FollowScreenSizeLocked();
    m_position = NearestPixel(screen, m_range);
    WriteLocked(MoveEvents(m_position, m_range));
}

void KernelRemote::InjectButton(MouseButton button, bool down) {
    std::lock_guard lock(m_pointerMutex);
    WriteLocked(ButtonEvents(button, down));
}

void KernelRemote::FollowScreenSizeLocked() {
    const SIZE range = PointerRange(m_screenSize());
    if (range.cx == m_range.cx && range.cy == m_range.cy) {
        return;
    }
    std::string error;
    auto pointer =
        UinputDevice::Create(m_uinputPath, AbsolutePointer(range, PointerName()), &error);
    if (!pointer) {
        // The old device still reaches the screen, if not all of it.
        Report(error);
        return;
    }
    m_pointer = std::move(pointer);
    m_range = range;
}

void KernelRemote::WriteLocked(std::span<const input_event> events) {
    std::string error;
    if (!m_pointer->Write(events, &error)) {
        Report(error);
    }
}

void KernelRemote::Report(const std::string& reason) {
    std::lock_guard lock(m_reportMutex);
    if (reason == m_reported) {
        return;
    }
    m_reported = reason;
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, reason.c_str());
}

}  // namespace ce::drivers::kernel_remote
