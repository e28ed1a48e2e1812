// The program's one connection object, constructed before WinMain runs and destroyed after it
// returns.
#pragma once

#include "net/viewer_connection.h"

extern CViewerConnection g_viewerConnection;
