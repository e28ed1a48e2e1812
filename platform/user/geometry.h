// Where windows are: the non-client area, client rectangles, screen and surface positions,
// visibility and hit testing. Everything here runs under the window table's lock (a View).
#pragma once

#include <memory>

#include "windef.h"

#include "gdi/surface.h"
#include "user/window_table.h"

namespace ce::user {

// Thickness of the non-client area at the left, top, right and bottom: a border (WS_BORDER), a
// dialog frame (WS_DLGFRAME, or a dialog's DS_MODALFRAME / WS_EX_DLGMODALFRAME) and a caption
// (WS_CAPTION) above the client area.
RECT NonClientInsets(const Window& window);
bool HasNonClientArea(const Window& window);
bool HasCaption(const Window& window);
// Width of the frame around the window (0, the border or the dialog frame).
int FrameWidth(const Window& window);

// {0, 0, width, height} of the client area.
RECT ClientRect(const Window& window);
// The client area in the parent's client coordinates (the screen's for a top-level window).
RECT ClientArea(const Window& window);

POINT ScreenOriginOfWindow(const WindowTable::View& view, const Window& window);
POINT ScreenOriginOfClient(const WindowTable::View& view, const Window& window);

// WS_VISIBLE on the window and all its ancestors.
bool IsShown(const WindowTable::View& view, const Window& window);
bool IsDisabled(const Window& window);

// The window's place on its top-level window's surface (surface coordinates). The visible parts
// are clipped to the client areas of all ancestors.
struct SurfacePlace {
    std::shared_ptr<gdi::Surface> m_surface;
    HWND m_root = nullptr;
    POINT m_windowOrigin{};
    POINT m_clientOrigin{};
    RECT m_visibleWindow{};
    RECT m_visibleClient{};
};
SurfacePlace PlaceOnSurface(const WindowTable::View& view, const Window& window);

// The deepest shown window at a screen point, looking into the given top-level window only when
// there is one. The search does not go into a disabled window: it is the one found then.
struct Hit {
    HWND m_window = nullptr;
    bool m_inClient = false;
};
Hit HitTest(const WindowTable::View& view, POINT screen, HWND topLevel);

}  // namespace ce::user
