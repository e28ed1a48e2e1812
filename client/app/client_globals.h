// Program-wide values of BrevantaClient.
#pragma once

#include <afxwin.h>

// The system's wait cursor, loaded at start and shown during a sync.
extern HCURSOR g_waitCursor;
// The provisioning server's address as discovered or typed; empty at start and never stored.
extern CString g_serverAddress;
