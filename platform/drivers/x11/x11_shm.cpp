#include "drivers/x11/x11_shm.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>

#include "drivers/x11/x11_connection.h"

namespace ce::drivers::x11 {

bool ShmAvailable(Display* display) {
    const int nativeOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    return XShmQueryExtension(display) && ImageByteOrder(display) == nativeOrder;
}

ShmSegment::ShmSegment(Display* display) : m_display(display) {
    m_info.shmid = -1;
}

ShmSegment::~ShmSegment() {
    if (m_attachedOnServer) {
        XShmDetach(m_display, &m_info);
    }
    if (m_info.shmaddr != nullptr) {
        shmdt(m_info.shmaddr);
    }
}

bool ShmSegment::Attach(std::size_t size) {
    m_info.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (m_info.shmid < 0) {
        return false;
    }
    void* address = shmat(m_info.shmid, nullptr, 0);
    if (address != reinterpret_cast<void*>(-1)) {
        m_info.shmaddr = static_cast<char*>(address);
        m_info.readOnly = False;
        ErrorTrap trap(m_display);
        XShmAttach(m_display, &m_info);
        m_attachedOnServer = trap.Succeeded();
    }
    // Marked for removal at once: the kernel frees it when both sides have detached, even if
    // this process dies first.
    shmctl(m_info.shmid, IPC_RMID, nullptr);
    return m_attachedOnServer;
}

}  // namespace ce::drivers::x11
