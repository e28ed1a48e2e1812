// Device contexts: where drawing goes (the bitmap selected into a memory context, or a window's
// part of its surface) and the drawing state (selected objects, colours, background mode).
#pragma once

#include <memory>
#include <vector>

#include "wingdi.h"

#include "gdi/bitmap.h"
#include "gdi/brush.h"
#include "gdi/gdi_object.h"
#include "gdi/object_table.h"
#include "gdi/surface.h"

namespace ce::gdi {

class Font;

struct DcState {
    std::shared_ptr<Bitmap> bitmap;  // memory contexts only
    std::shared_ptr<Brush> brush;
    std::shared_ptr<Pen> pen;
    std::shared_ptr<Font> font;
    COLORREF textColor = 0x000000;
    COLORREF backgroundColor = 0xFFFFFF;
    int backgroundMode = OPAQUE;
};

// Where a drawing call puts its pixels. Drawing calls add origin to their coordinates and write
// only inside clip (surface coordinates, within the surface).
struct DrawTarget {
    std::shared_ptr<Surface> surface;
    POINT origin{};
    RECT clip{};

    RECT ToSurface(const RECT& rect) const;
};

class DeviceContext final : public GdiObject {
public:
    // A memory context with the default 1x1 bitmap selected.
    DeviceContext();
    // A context on part of a surface.
    DeviceContext(std::shared_ptr<Surface> surface, POINT origin, const RECT& clip);
    // The context on the whole screen (CreateDCW "DISPLAY"): a source of blits only; what is
    // drawn on it goes nowhere.
    struct Display {};
    explicit DeviceContext(Display);

    bool IsMemory() const { return m_surface == nullptr; }
    bool IsDisplay() const { return m_display; }
    // The state is changed by the thread that draws with the context; objects change only under
    // the object table's lock, which keeps their selection counts.
    DcState& State() { return m_state; }
    const DcState& State() const { return m_state; }
    std::vector<DcState>& SavedStates() { return m_saved; }

    DrawTarget Target() const;
    // Records a part of the surface that a drawing call wrote (surface coordinates).
    void NoteDrawn(const RECT& rect);
    RECT Drawn() const { return m_drawn; }

private:
    std::shared_ptr<Surface> m_surface;
    bool m_display = false;
    POINT m_origin{};
    RECT m_clip{};
    DcState m_state;
    std::vector<DcState> m_saved;
    RECT m_drawn{};
};

// The context a handle names; null (with ERROR_INVALID_HANDLE) when it names none.
std::shared_ptr<DeviceContext> FindDc(HDC dc);

// Adds or removes one selection of every object of a state.
void CountSelections(const ObjectTable::Lock& lock, const DcState& state, int change);

}  // namespace ce::gdi
