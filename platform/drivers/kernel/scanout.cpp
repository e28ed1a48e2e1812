#include "drivers/kernel/scanout.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "drivers/kernel/drm_scanout.h"
#include "drivers/kernel/fbdev_scanout.h"

namespace ce::drivers::kernel_remote {
namespace {

// The DRM cards of the folder ("card" and a number), in the kernel's order.
std::vector<std::pair<unsigned long, std::string>> DrmCards(const std::string& directory) {
    std::vector<std::pair<unsigned long, std::string>> cards;
    DIR* folder = ::opendir(directory.c_str());
    if (folder == nullptr) {
        return cards;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name.size() > 4 && name.substr(0, 4) == "card" &&
            name.find_first_not_of("0123456789", 4) == std::string_view::npos) {
            cards.emplace_back(std::strtoul(entry->d_name + 4, nullptr, 10),
                               directory + "/" + entry->d_name);
        }
    }
    ::closedir(folder);
    std::sort(cards.begin(), cards.end());
    return cards;
}

// One read of nothing goes through every step but the copy: the devices, the privileges and the
// format are all proven.
bool CanRead(Scanout& scanout, std::string* error) {
    gdi::Surface nothing(0, 0);
    return scanout.Read(RECT{}, nothing, POINT{}, error);
}

}  // namespace

std::unique_ptr<Scanout> OpenScanout(const KernelDevices& devices, std::string* error) {
    const auto cards = DrmCards(devices.driDirectory);
    if (!cards.empty()) {
        // A machine may have cards that show nothing (a render-only GPU beside the display's).
        std::string reasons;
        for (const auto& card : cards) {
            std::string reason;
            std::unique_ptr<Scanout> scanout = DrmScanout::Open(card.second, &reason);
            if (scanout && CanRead(*scanout, &reason)) {
                return scanout;
            }
            reasons += (reasons.empty() ? "" : "; ") + reason;
        }
        *error = reasons;
        return nullptr;
    }
    std::string reason;
    std::unique_ptr<Scanout> scanout = FbdevScanout::Open(devices.framebuffer, &reason);
    if (scanout && CanRead(*scanout, &reason)) {
        return scanout;
    }
    *error = "no DRM device in " + devices.driDirectory + ", and " + reason;
    return nullptr;
}

}  // namespace ce::drivers::kernel_remote
