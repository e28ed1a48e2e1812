// The device API the programs see: kernel, code pages and window manager.
#pragma once

#include "windef.h"
#include "winbase.h"
#include "winnls.h"
#include "winuser.h"
#include "wingdi.h"
