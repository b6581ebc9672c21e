// GDI: device contexts, bitmaps and the pixel calls the program uses, with the behaviour Windows
// documents for them.
//
// Every bitmap is held as 24-bit pixels laid out as platform/bitmap_bits.h describes; fresh pixel
// memory is zero (black). Every handle passed in is checked in constant time: a null, stale or
// foreign handle, or one of the wrong kind, makes the call fail the way Windows fails it (FALSE,
// 0 or CLR_INVALID), never undefined behaviour.
//
// The layer serves one thread, the program's window thread, as GDI objects of one window do.
#pragma once

#include "platform/windef.h"

HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// Only 24-bit BI_RGB, bottom-up (positive height) sections without a file mapping are made.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD offset);

// Only bitmaps can be selected. Returns the bitmap displaced, or 0 when either handle is not
// valid, the DC is not a memory DC, the bitmap is selected into another DC, or the bitmap
// belongs to the clipboard.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// Fails for a bitmap still selected into a DC or owned by the clipboard.
BOOL DeleteObject(HGDIOBJ ho);

// The pattern is the destination DC's brush (white for every DC made here).
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);

COLORREF GetPixel(HDC hdc, int x, int y);
int GetObjectA(HANDLE h, int c, void* pv);

// Writes nothing and returns FALSE for an invalid DC, a point outside the selected bitmap, or a
// colour whose top byte is not 0 (such as -1, which is not an RGB colour).
BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color);
