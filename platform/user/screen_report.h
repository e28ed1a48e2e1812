// What the display driver is told about top-level windows: place, size, visibility and texts
// (UpdateWindow), their end (RemoveWindow), their stacking (Restack) and new pixels (Present).
// Never called under the window table's lock.
#pragma once

#include "windef.h"

namespace ce::user {

class Desktop;

// A top-level window appeared or changed; other windows are ignored.
void ReportWindow(Desktop& desktop, HWND window);
void ReportRemoved(Desktop& desktop, HWND window);
// Tells the driver the stacking of the shown top-level windows when it changed.
void ReportStacking(Desktop& desktop);
// Shows what a device context on the window's top-level surface drew. With CE_TRACE_FRAMES=1 each
// presentation writes "frame MILLISECONDS" to stderr, the time since the layer started in the
// process.
void PresentDrawn(Desktop& desktop, HWND window, HDC dc);

}  // namespace ce::user
