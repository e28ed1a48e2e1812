// Writes a picture as an 8-bit RGB PNG, top row first, over zlib.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wire.h"

namespace brevanta::viewer {

// The whole PNG file; empty when the picture is empty or compression fails.
std::vector<std::uint8_t> EncodePng(const Picture& picture);

// Writes the file through a temporary name beside it, so that a reader never sees half of it.
bool WritePng(const std::string& path, const Picture& picture, std::string* error);

}  // namespace brevanta::viewer
