// Xlib for the driver's files. X.h names a XQueryBestSize class CursorShape with a macro, which
// would rewrite the layer's CursorShape; the driver does not use that class.
#pragma once

#include <X11/Xlib.h>

#undef CursorShape
