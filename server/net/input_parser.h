// The viewer's input records: 12 bytes, little-endian: four 0xFF marker bytes, a 32-bit event
// code (a window message number) and x and y as 16-bit pixel positions.
#pragma once

#include <cstdint>

#include "net/input_actions.h"
#include "net/viewer_protocol.h"

// Receive space of the receive thread; its buffer has one byte more.
constexpr int kReceiveCapacity = 1024;

struct ScreenSize {
    std::int32_t width;
    std::int32_t height;
};

// A pixel position on the scale 0..65535 across an extent: position * 65535 / extent, in 64
// bits so that no position overflows (positions beyond the screen are clamped by the layer).
DWORD ScaleToAbsolute(std::uint32_t position, std::int32_t extent);

// Acts on every complete record among the first pending bytes of buffer, exactly once each,
// searching for the next marker behind the last record handled. Mouse codes (0x200, 0x201,
// 0x202, 0x204, 0x205) inject absolute input; 0x113 injects nothing; both count as accepted, any
// other code is skipped. An incomplete record, or a trailing part of a marker, stays pending at
// the start of buffer; bytes that can never belong to a record are dropped, so at most 11 bytes
// stay pending. When anything was accepted, one update is requested after all records.
void ParseInputRecords(int& pending, unsigned char* buffer, InputActions& actions,
                       ScreenSize screen);
