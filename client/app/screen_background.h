// The background picture of a full-screen dialog, stretched over the whole screen.
#pragma once

#include <afxwin.h>

// Stretches the whole bitmap onto the DC at (0, 0) with the screen's size as read now.
void PaintScreenBackground(CDC& dc, HBITMAP background);
