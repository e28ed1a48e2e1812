// Thread identifiers of the layer.
#pragma once

#include "winbase.h"

namespace ce::kernel {

// A fresh identifier. Identifiers are never reused while the process lives.
DWORD AllocateThreadId();

// Gives the calling thread the identifier CreateThread reported for it.
void AdoptThreadId(DWORD id);

}  // namespace ce::kernel
