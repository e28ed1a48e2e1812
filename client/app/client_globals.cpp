#include "app/client_globals.h"

HCURSOR g_waitCursor = nullptr;
CString g_serverAddress;
