// The DRM card that drives the display: the first /dev/dri/card* with a connected output, that
// output's preferred mode and CRTC, and the buffer format its primary plane takes. It keeps the
// CRTC's earlier configuration to give it back (the console's, usually).
#pragma once

#include <xf86drmMode.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "windef.h"

#include "drivers/kms/kms_pixel_format.h"
#include "drivers/kms/kms_seat.h"

namespace ce::drivers::kms {

inline constexpr const char* kDriDirectory = "/dev/dri";

// The cards in the folder (card0, card1 ...: not the render nodes), in the order of their numbers.
std::vector<std::string> DrmCardPaths(const std::string& directory = kDriDirectory);
// Why no card can be used, with what was found on each ("/dev/dri/card0: no connected output");
// empty details for no card at all.
std::string NoOutputError(const std::string& details);

class KmsDevice {
public:
    // Null with the reason in *error when no card has a connected output it can drive.
    static std::unique_ptr<KmsDevice> Open(KmsSeat& seat, std::string* error);
    ~KmsDevice();
    KmsDevice(const KmsDevice&) = delete;
    KmsDevice& operator=(const KmsDevice&) = delete;

    int Fd() const { return m_card.Fd(); }
    const std::string& Path() const { return m_path; }
    SIZE ScreenSize() const { return SIZE{m_mode.hdisplay, m_mode.vdisplay}; }
    ScanoutFormat Format() const { return m_format; }
    std::uint32_t CrtcId() const { return m_crtcId; }

    // Scans the framebuffer out on the output in the preferred mode; false with errno set.
    bool Show(std::uint32_t framebufferId);
    // Gives the CRTC back what it showed before the first Show, while the buffers it showed
    // since are still there to be replaced.
    void Restore();
    // The seat was taken away or has come back.
    void DropMaster();
    void TakeMaster();

private:
    KmsDevice() = default;

    SeatDevice m_card;
    std::string m_path;
    std::uint32_t m_connectorId = 0;
    std::uint32_t m_crtcId = 0;
    drmModeModeInfo m_mode{};
    ScanoutFormat m_format = ScanoutFormat::kXrgb8888;
    std::unique_ptr<drmModeCrtc, decltype(&drmModeFreeCrtc)> m_saved{nullptr, &drmModeFreeCrtc};
    bool m_shown = false;
};

}  // namespace ce::drivers::kms
