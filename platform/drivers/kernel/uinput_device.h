// A device made through uinput from its description, removed again when this object goes.
#pragma once

#include <linux/input.h>

#include <memory>
#include <span>
#include <string>

#include "drivers/kernel/uinput_description.h"
#include "kernel/unique_fd.h"

namespace ce::drivers::kernel_remote {

class UinputDevice {
public:
    // Opens uinput at `path` and makes the device; null with the reason in *error.
    static std::unique_ptr<UinputDevice> Create(const std::string& path,
                                                const UinputDescription& description,
                                                std::string* error);
    UinputDevice(const UinputDevice&) = delete;
    UinputDevice& operator=(const UinputDevice&) = delete;
    ~UinputDevice();

    // Hands the events to the kernel at once; false with the reason in *error.
    bool Write(std::span<const input_event> events, std::string* error);

private:
    UinputDevice(std::string path, ce::kernel::UniqueFd fd)
        : m_path(std::move(path)), m_fd(std::move(fd)) {}

    const std::string m_path;
    const ce::kernel::UniqueFd m_fd;
};

}  // namespace ce::drivers::kernel_remote
