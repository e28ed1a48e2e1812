#include "drivers/kernel/uinput_device.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "drivers/kernel/device_error.h"

namespace ce::drivers::kernel_remote {
namespace {

// The ioctls that tell the description, in the order uinput takes them; the first that fails
// (its name and errno) or nothing.
const char* Describe(int fd, const UinputDescription& description) {
    for (const int type : description.eventTypes) {
        if (::ioctl(fd, UI_SET_EVBIT, type) != 0) {
            return "UI_SET_EVBIT";
        }
    }
    for (const int key : description.keys) {
        if (::ioctl(fd, UI_SET_KEYBIT, key) != 0) {
            return "UI_SET_KEYBIT";
        }
    }
    for (const UinputAxis& axis : description.axes) {
        if (::ioctl(fd, UI_SET_ABSBIT, static_cast<int>(axis.code)) != 0) {
            return "UI_SET_ABSBIT";
        }
        uinput_abs_setup setup{};
        setup.code = axis.code;
        setup.absinfo = axis.info;
        if (::ioctl(fd, UI_ABS_SETUP, &setup) != 0) {
            return "UI_ABS_SETUP";
        }
    }
    for (const int property : description.properties) {
        if (::ioctl(fd, UI_SET_PROPBIT, property) != 0) {
            return "UI_SET_PROPBIT";
        }
    }
    if (::ioctl(fd, UI_DEV_SETUP, &description.setup) != 0) {
        return "UI_DEV_SETUP";
    }
    if (::ioctl(fd, UI_DEV_CREATE) != 0) {
        return "UI_DEV_CREATE";
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<UinputDevice> UinputDevice::Create(const std::string& path,
                                                   const UinputDescription& description,
                                                   std::string* error) {
    ce::kernel::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    if (!fd.IsValid()) {
        *error = DeviceError(path, errno, "injecting the pointer needs write access to " + path);
        return nullptr;
    }
    if (const char* failed = Describe(fd.Get(), description)) {
        *error = path + ": making the pointer device (" + failed + "): " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<UinputDevice>(new UinputDevice(path, std::move(fd)));
}

UinputDevice::~UinputDevice() {
    ::ioctl(m_fd.Get(), UI_DEV_DESTROY);
}

bool UinputDevice::Write(std::span<const input_event> events, std::string* error) {
    const std::size_t length = events.size_bytes();
    ssize_t written = 0;
    do {
        written = ::write(m_fd.Get(), events.data(), length);
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(length)) {
        *error = m_path + ": writing pointer events: " +
                 (written < 0 ? std::strerror(errno) : "the kernel took only part of them");
        return false;
    }
    return true;
}

}  // namespace ce::drivers::kernel_remote
