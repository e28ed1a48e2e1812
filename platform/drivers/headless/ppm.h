// Screens as files: binary PPM (P6), 8 bits per channel expanded from RGB565.
#pragma once

#include <string>

#include "gdi/surface.h"

namespace ce::drivers {

// Writes the surface to path; false with the reason in *error when the file cannot be written.
bool WritePpm(const gdi::Surface& surface, const std::string& path, std::string* error);

}  // namespace ce::drivers
