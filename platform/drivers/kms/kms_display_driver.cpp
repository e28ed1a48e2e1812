#include "drivers/kms/kms_display_driver.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <system_error>
#include <utility>

#include "drivers/kms/kms_driver.h"
#include "gdi/rect_math.h"

namespace ce::drivers {

std::unique_ptr<DisplayDriver> CreateKmsDriver(std::string* error) {
    return kms::KmsDriver::Create(error);
}

namespace kms {

std::unique_ptr<KmsDriver> KmsDriver::Create(std::string* error) {
    std::unique_ptr<KmsDriver> driver(new KmsDriver());
    if (!driver->Open(error)) {
        return nullptr;
    }
    return driver;
}

bool KmsDriver::Open(std::string* error) {
    // Nothing to show on: said before the seat is asked for anything.
    if (DrmCardPaths().empty()) {
        *error = NoOutputError("");
        return false;
    }
    m_seat = KmsSeat::Open(error);
    if (!m_seat) {
        return false;
    }
    m_device = KmsDevice::Open(*m_seat, error);
    if (!m_device) {
        return false;
    }
    // After the seat: a seat manager that owns the terminal has switched it already.
    m_console = KmsConsole::TakeGraphics();
    m_compositor = std::make_unique<WindowCompositor>(m_device->ScreenSize());
    m_scanout = KmsScanout::Create(*m_device, error);
    if (!m_scanout || !m_scanout->Show(m_compositor->Screen(), error)) {
        return false;
    }
    std::string inputError;
    m_input = KmsInput::Open(*m_seat, m_device->ScreenSize(), &inputError);
    if (!m_input) {
        // A display without input still shows the program.
        std::fprintf(stderr, "CE_DISPLAY=kms: no input: %s\n", inputError.c_str());
    }
    m_seat->OnChange([this] { SeatDisabled(); }, [this] { SeatEnabled(); });
    m_wake.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m_wake.IsValid()) {
        *error = std::string("cannot make an eventfd: ") + std::strerror(errno);
        return false;
    }
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        *error = "cannot start the display thread";
        return false;
    }
    return true;
}

KmsDriver::~KmsDriver() {
    if (m_thread.joinable()) {
        m_stopping.store(true);
        Wake();
        m_thread.join();
    }
    m_input.reset();
    // The CRTC gets back what it showed while our buffers, which it shows now, still exist.
    if (m_device) {
        m_device->Restore();
    }
    m_scanout.reset();
    m_console.reset();
    m_device.reset();
    m_seat.reset();
}

SIZE KmsDriver::ScreenSize() const {
    std::lock_guard lock(m_mutex);
    return m_compositor->ScreenSize();
}

void KmsDriver::Start(InputSink& sink) {
    std::lock_guard lock(m_sinkMutex);
    m_sink = &sink;
}

void KmsDriver::Stop() {
    // Taken while an event is being delivered: once this returns, none is.
    std::lock_guard lock(m_sinkMutex);
    m_sink = nullptr;
}

void KmsDriver::UpdateWindow(const TopLevelWindow& window,
                             std::shared_ptr<const gdi::Surface> surface) {
    std::lock_guard lock(m_mutex);
    Changed(m_compositor->UpdateWindow(window, std::move(surface)));
}

void KmsDriver::RemoveWindow(WindowId id) {
    std::lock_guard lock(m_mutex);
    Changed(m_compositor->RemoveWindow(id));
}

void KmsDriver::Restack(std::span<const WindowId> topFirst) {
    std::lock_guard lock(m_mutex);
    Changed(m_compositor->Restack(topFirst));
}

void KmsDriver::Present(WindowId id, const RECT& changed) {
    std::lock_guard lock(m_mutex);
    Changed(m_compositor->Present(id, changed));
}

void KmsDriver::Changed(const RECT& area) {
    if (IsEmpty(area)) {
        return;
    }
    const bool wasIdle = IsEmpty(m_changed);
    m_changed = Union(m_changed, area);
    if (wasIdle) {
        Wake();
    }
}

void KmsDriver::Wake() {
    const std::uint64_t one = 1;
    // A counter that cannot take more holds a wake-up already.
    [[maybe_unused]] const ssize_t written = ::write(m_wake.Get(), &one, sizeof one);
}

void KmsDriver::Deliver(const InputEvent& event) {
    std::lock_guard lock(m_sinkMutex);
    if (m_sink == nullptr) {
        return;
    }
    // An event lost to a failed allocation is better than ending the process.
    try {
        m_sink->OnInput(event);
    } catch (const std::exception&) {
    }
}

void KmsDriver::SeatDisabled() {
    m_scanout->Pause();
    if (m_input) {
        m_input->Suspend();
    }
    m_device->DropMaster();
}

void KmsDriver::SeatEnabled() {
    m_device->TakeMaster();
    {
        std::lock_guard lock(m_mutex);
        std::string error;
        if (!m_scanout->Show(m_compositor->Screen(), &error)) {
            std::fprintf(stderr, "CE_DISPLAY=kms: %s\n", error.c_str());
        }
    }
    if (m_input) {
        m_input->Resume();
    }
}

void KmsDriver::Run() {
    enum { kWake, kCard, kSeat, kInput, kCount };
    pollfd fds[kCount] = {{m_wake.Get(), POLLIN, 0},
                          {m_device->Fd(), POLLIN, 0},
                          {m_seat->Fd(), POLLIN, 0},
                          {m_input ? m_input->Fd() : -1, POLLIN, 0}};
    const auto deliver = [this](const InputEvent& event) { Deliver(event); };
    while (!m_stopping.load()) {
        {
            std::lock_guard lock(m_mutex);
            m_scanout->AddDamage(std::exchange(m_changed, RECT{}));
            if (m_scanout->Ready()) {
                m_scanout->Draw(m_compositor->Screen());
            }
        }
        if (::poll(fds, kCount, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if ((fds[kWake].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t read = ::read(m_wake.Get(), &count, sizeof count);
        }
        if ((fds[kCard].revents & POLLIN) != 0) {
            m_scanout->HandleEvents();
        }
        if ((fds[kSeat].revents & POLLIN) != 0) {
            m_seat->Dispatch();
        }
        if ((fds[kInput].revents & POLLIN) != 0) {
            m_input->Dispatch(deliver);
        }
        // poll would report a descriptor that failed or hung up again at once, forever.
        for (pollfd& watched : fds) {
            if ((watched.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                watched.fd = -1;
            }
        }
    }
}

}  // namespace kms
}  // namespace ce::drivers
