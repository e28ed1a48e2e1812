// The address keypad's keys and what each does to the address text. The keys are fixed pixels
// laid out for a 272x480 portrait screen.
#pragma once

#include <afxwin.h>

constexpr int kNoKey = -1;
constexpr int kEnterKey = 11;
constexpr int kBackspaceKey = 12;

// The key under a tap (client pixels): 0 to 11 for the grid (row * 3 + column), 12 for the
// backspace key beside the edit box, kNoKey elsewhere.
int KeypadKeyAt(POINT point);

// The text after an editing key (0 to 10 append "7 8 9 4 5 6 1 2 3 0 ."; 12 drops the last
// character). Other keys leave it unchanged.
CString ApplyEditingKey(int key, const CString& text);

// Accepts exactly what the transfer client can connect to as typed: four dot-separated decimal
// parts from 0 to 255, each of one to three digits without a leading zero ("0" itself is fine),
// and not the broadcast address 255.255.255.255.
bool IsValidServerAddress(const CString& text);
