// Change detection and the update payload. The capture's pixel memory is cut into 40 equal byte
// ranges (bands); a band that differs from the copy last sent goes into the payload as its index
// byte followed by its bytes, in ascending index order. Bytes past 40 bands (frame size modulo
// 40) belong to no band.
#pragma once

#include <windows.h>

#include "net/viewer_protocol.h"

// Bytes of a bottom-up RGB565 copy of a width x height screen.
int FrameSize(int width, int height);
// One fortieth of the frame, rounded down.
int BandSize(int frameSize);
// Room an update buffer needs for every band with its index byte.
int UpdateBufferSize(int frameSize);

// Compares each band of pixels with previous, copies every changed band into previous and
// appends its record to update (which has UpdateBufferSize bytes). Returns the payload length:
// 0 when nothing changed.
int EncodeChangedBands(const BYTE* pixels, BYTE* previous, int bandSize, BYTE* update);
