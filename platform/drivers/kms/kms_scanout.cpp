#include "drivers/kms/kms_scanout.h"

#include <xf86drm.h>
#include <xf86drmMode.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "gdi/rect_math.h"

namespace ce::drivers::kms {
namespace {

// drmHandleEvent hands its handler nothing but the flip's own data: the scanout whose events
// are being handled is found here.
thread_local KmsScanout* t_handling = nullptr;

}  // namespace

std::unique_ptr<KmsScanout> KmsScanout::Create(KmsDevice& device, std::string* error) {
    std::unique_ptr<KmsScanout> scanout(new KmsScanout(device));
    for (auto& buffer : scanout->m_buffers) {
        buffer = DumbBuffer::Create(device.Fd(), device.ScreenSize(), device.Format(), error);
        if (!buffer) {
            return nullptr;
        }
    }
    return scanout;
}

bool KmsScanout::Show(const gdi::Surface& screen, std::string* error) {
    ++m_generation;
    m_flipPending = false;
    m_damage.Add(screen.Bounds());
    RECT drawn{};
    DrawBuffer(screen, m_front, &drawn);
    if (!m_device.Show(m_buffers[m_front]->FramebufferId())) {
        *error = "cannot set the mode on " + m_device.Path() + ": " + std::strerror(errno);
        m_active = false;
        return false;
    }
    m_active = true;
    return true;
}

void KmsScanout::Pause() {
    m_active = false;
}

void KmsScanout::AddDamage(const RECT& area) {
    if (!IsEmpty(area)) {
        m_damage.Add(area);
        m_changed = true;
    }
}

bool KmsScanout::Ready() const {
    return m_active && !m_flipPending && m_changed;
}

void KmsScanout::DrawBuffer(const gdi::Surface& screen, int buffer, RECT* drawn) {
    *drawn = m_damage.Take(buffer);
    const DumbBuffer& target = *m_buffers[buffer];
    CopyToScanout(screen, *drawn, m_device.Format(), target.Pixels(), target.Pitch());
}

void KmsScanout::Draw(const gdi::Surface& screen) {
    m_changed = false;
    RECT drawn{};
    if (!m_flips) {
        DrawBuffer(screen, m_front, &drawn);
        if (IsEmpty(drawn)) {
            return;
        }
        drmModeClip clip{
            static_cast<unsigned short>(drawn.left), static_cast<unsigned short>(drawn.top),
            static_cast<unsigned short>(drawn.right), static_cast<unsigned short>(drawn.bottom)};
        drmModeDirtyFB(m_device.Fd(), m_buffers[m_front]->FramebufferId(), &clip, 1);
        return;
    }
    const int back = 1 - m_front;
    DrawBuffer(screen, back, &drawn);
    if (drmModePageFlip(m_device.Fd(), m_device.CrtcId(), m_buffers[back]->FramebufferId(),
                        DRM_MODE_PAGE_FLIP_EVENT, reinterpret_cast<void*>(m_generation)) == 0) {
        m_flipPending = true;
        return;
    }
    FlipFailed(errno, drawn);
}

void KmsScanout::FlipFailed(int error, const RECT& drawn) {
    const int back = 1 - m_front;
    if (error == EACCES || error == EPERM) {
        // The seat is going away; the frame is drawn again once it is back.
        m_damage.Add(drawn);
        m_changed = true;
        m_active = false;
        return;
    }
    // The back buffer holds the whole frame: shown by a mode set, it becomes the one buffer.
    std::fprintf(stderr, "CE_DISPLAY=kms: page flips fail on %s (%s); drawing in place\n",
                 m_device.Path().c_str(), std::strerror(error));
    m_flips = false;
    if (!m_device.Show(m_buffers[back]->FramebufferId())) {
        m_damage.Add(drawn);
        m_changed = true;
        m_active = false;
        return;
    }
    m_front = back;
}

void KmsScanout::HandleEvents() {
    drmEventContext context{};
    context.version = 2;
    context.page_flip_handler = &KmsScanout::OnFlip;
    t_handling = this;
    drmHandleEvent(m_device.Fd(), &context);
    t_handling = nullptr;
}

void KmsScanout::OnFlip(int, unsigned, unsigned, unsigned, void* generation) {
    KmsScanout* self = t_handling;
    if (self == nullptr || reinterpret_cast<std::uintptr_t>(generation) != self->m_generation ||
        !self->m_flipPending) {
        return;
    }
    self->m_flipPending = false;
    self->m_front = 1 - self->m_front;
}

}  // namespace ce::drivers::kms
