// USER32: the desktop window and its screen device context.
#pragma once

#include "platform/windef.h"

HWND GetDesktopWindow();
// A screen DC for the desktop window (or for 0). Bitmaps made compatible with it are 24-bit. It
// keeps no pixels of its own; give it back with ReleaseDC.
HDC GetDC(HWND hWnd);
// 1 when the DC was a screen DC and has been released, else 0.
int ReleaseDC(HWND hWnd, HDC hDC);
