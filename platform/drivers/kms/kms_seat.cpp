#include "drivers/kms/kms_seat.h"

#include <unistd.h>

// libseat's header declares its functions for C alone.
extern "C" {
#include <libseat.h>
}

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace ce::drivers::kms {
namespace {

constexpr auto kEnableTimeout = std::chrono::seconds(5);

// libseat only looks at the variable while it opens a seat.
libseat* OpenWithBackend(const char* backend, const libseat_seat_listener* listener, void* self) {
    setenv("LIBSEAT_BACKEND", backend, 1);
    libseat* seat = libseat_open_seat(listener, self);
    const int error = errno;
    unsetenv("LIBSEAT_BACKEND");
    errno = error;
    return seat;
}

bool IsNoopBackend() {
    const char* backend = std::getenv("LIBSEAT_BACKEND");
    return backend != nullptr && std::strcmp(backend, "noop") == 0;
}

}  // namespace

SeatDevice::SeatDevice(SeatDevice&& other) noexcept
    : m_seat(std::exchange(other.m_seat, nullptr)),
      m_deviceId(std::exchange(other.m_deviceId, -1)),
      m_fd(std::exchange(other.m_fd, -1)) {}

SeatDevice& SeatDevice::operator=(SeatDevice&& other) noexcept {
    if (this != &other) {
        Close();
        m_seat = std::exchange(other.m_seat, nullptr);
        m_deviceId = std::exchange(other.m_deviceId, -1);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void SeatDevice::Close() {
    if (m_fd < 0) {
        return;
    }
    // Every backend leaves the descriptor itself to its owner.
    libseat_close_device(m_seat, m_deviceId);
    ::close(m_fd);
    m_seat = nullptr;
    m_deviceId = -1;
    m_fd = -1;
}

std::unique_ptr<KmsSeat> KmsSeat::Open(std::string* error) {
    static const libseat_seat_listener listener{&KmsSeat::EnableSeat, &KmsSeat::DisableSeat};
    std::unique_ptr<KmsSeat> self(new KmsSeat());
    bool noop = IsNoopBackend();
    self->m_seat = libseat_open_seat(&listener, self.get());
    if (self->m_seat == nullptr && !noop && ::geteuid() == 0 &&
        std::getenv("LIBSEAT_BACKEND") == nullptr) {
        self->m_seat = OpenWithBackend("noop", &listener, self.get());
        noop = true;
    }
    if (self->m_seat == nullptr) {
        *error = std::string("cannot open the seat (") + std::strerror(errno) +
                 "): no seatd or logind session gives it to this user";
        return nullptr;
    }
    // The noop backend names its seat "noop" and never enables it: the devices are simply
    // opened, and udev knows them on seat0.
    if (noop) {
        self->m_name = "seat0";
        self->m_active = true;
        return self;
    }
    self->m_name = libseat_seat_name(self->m_seat);
    const auto deadline = std::chrono::steady_clock::now() + kEnableTimeout;
    while (!self->m_active) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 ||
            libseat_dispatch(self->m_seat, static_cast<int>(left.count())) < 0) {
            *error = "the seat " + self->m_name + " did not become this session's";
            return nullptr;
        }
    }
    return self;
}

KmsSeat::~KmsSeat() {
    if (m_seat != nullptr) {
        libseat_close_seat(m_seat);
    }
}

SeatDevice KmsSeat::OpenDevice(const char* path) {
    int fd = -1;
    const int deviceId = libseat_open_device(m_seat, path, &fd);
    if (deviceId < 0 || fd < 0) {
        return SeatDevice();
    }
    return SeatDevice(m_seat, deviceId, fd);
}

void KmsSeat::OnChange(std::function<void()> disabled, std::function<void()> enabled) {
    m_disabled = std::move(disabled);
    m_enabled = std::move(enabled);
}

int KmsSeat::Fd() const {
    return libseat_get_fd(m_seat);
}

void KmsSeat::Dispatch() {
    libseat_dispatch(m_seat, 0);
}

void KmsSeat::EnableSeat(libseat*, void* self) {
    auto* seat = static_cast<KmsSeat*>(self);
    const bool wasActive = std::exchange(seat->m_active, true);
    if (!wasActive && seat->m_enabled) {
        seat->m_enabled();
    }
}

void KmsSeat::DisableSeat(libseat* handle, void* self) {
    auto* seat = static_cast<KmsSeat*>(self);
    seat->m_active = false;
    if (seat->m_disabled) {
        seat->m_disabled();
    }
    // Acknowledged only once the devices are no longer used.
    libseat_disable_seat(handle);
}

}  // namespace ce::drivers::kms
