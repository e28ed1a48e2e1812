// Where the kernel's remote access finds its devices: the machine's own unless a test says
// otherwise.
#pragma once

#include <string>

namespace ce::drivers::kernel_remote {

struct KernelDevices {
    // DRM's display devices are the card* entries here.
    std::string driDirectory = "/dev/dri";
    // The framebuffer device read where there is no DRM device.
    std::string framebuffer = "/dev/fb0";
    std::string uinput = "/dev/uinput";
};

}  // namespace ce::drivers::kernel_remote
