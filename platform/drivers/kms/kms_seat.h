// The seat: the right to use the display and the input devices, through libseat. libseat picks
// its backend: seatd or logind for a session user; as root without either, its builtin seatd.
// Where none of them opens the seat and the program runs as root, the seat is opened again with
// libseat's noop backend (LIBSEAT_BACKEND=noop, which can also be set outright): the devices are
// then opened directly, and nothing takes the seat away.
//
// The seat belongs to the thread that uses the driver's devices: libseat is not thread-safe.
#pragma once

#include <functional>
#include <memory>
#include <string>

struct libseat;

namespace ce::drivers::kms {

// A device opened through the seat; closing it tells the seat and closes the descriptor.
class SeatDevice {
public:
    SeatDevice() = default;
    SeatDevice(libseat* seat, int deviceId, int fd)
        : m_seat(seat), m_deviceId(deviceId), m_fd(fd) {}
    SeatDevice(SeatDevice&& other) noexcept;
    SeatDevice& operator=(SeatDevice&& other) noexcept;
    SeatDevice(const SeatDevice&) = delete;
    SeatDevice& operator=(const SeatDevice&) = delete;
    ~SeatDevice() { Close(); }

    bool IsValid() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    void Close();

private:
    libseat* m_seat = nullptr;
    int m_deviceId = -1;
    int m_fd = -1;
};

class KmsSeat {
public:
    // Opens the seat and waits (a few seconds at most) until it is ours; null with the reason in
    // *error when it cannot.
    static std::unique_ptr<KmsSeat> Open(std::string* error);
    ~KmsSeat();
    KmsSeat(const KmsSeat&) = delete;
    KmsSeat& operator=(const KmsSeat&) = delete;

    // The seat's name as udev knows it.
    const std::string& Name() const { return m_name; }
    // Invalid, with errno set, when the device cannot be opened.
    SeatDevice OpenDevice(const char* path);

    // Called when another session takes the seat (before the seat is handed over: the devices
    // must stop being used) and when it comes back.
    void OnChange(std::function<void()> disabled, std::function<void()> enabled);
    // Readable when the seat has news; Dispatch handles it.
    int Fd() const;
    void Dispatch();

private:
    KmsSeat() = default;
    static void EnableSeat(libseat* seat, void* self);
    static void DisableSeat(libseat* seat, void* self);

    libseat* m_seat = nullptr;
    std::string m_name;
    bool m_active = false;
    std::function<void()> m_disabled;
    std::function<void()> m_enabled;
};

}  // namespace ce::drivers::kms
