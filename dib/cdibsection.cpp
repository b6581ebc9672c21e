#include "dib/cdibsection.h"

#include <cstddef>
#include <cstdint>

#include "platform/clipboard.h"
#include "platform/gdi.h"
#include "platform/gdi_owners.h"
#include "platform/msgbox.h"
#include "platform/user32.h"

namespace orvane {

cDIBSection::~cDIBSection() {
    ClearUp();
}

bool cDIBSection::CopyToClipboard(bool bAsDIB) {
    // A cleared buffer still reports its size, but a bitmap of that size would only be black.
    if (!bAsDIB && memDC == nullptr) {
        return false;
    }
    bool result = false;
    HWND w = GetDesktopWindow();
    HDC screen = GetDC(w);
    if (screen == nullptr) {
        return false;
    }
    HDC tmp = CreateCompatibleDC(screen);
    if (tmp != nullptr) {
        if (bAsDIB) {
            platform::MsgBox(
                "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
        } else if (HBITMAP bmp = CreateCompatibleBitmap(screen, Width(), Height())) {
            HGDIOBJ prev = SelectObject(tmp, bmp);
            PaintPicture(tmp, 0, 0, -1, -1, 0, 0, SRCCOPY);
            SelectObject(tmp, prev);
            // Whatever the clipboard does not take is still ours to delete.
            if (OpenClipboard(nullptr)) {
                EmptyClipboard();
                if (SetClipboardData(CF_BITMAP, bmp) != nullptr) {
                    result = true;
                } else {
                    DeleteObject(bmp);
                }
                CloseClipboard();
            } else {
                DeleteObject(bmp);
            }
        }
        DeleteDC(tmp);
    }
    ReleaseDC(w, screen);
    return result;
}

bool cDIBSection::CreateDIB(HDC lhDC, LONG lWidth, LONG lHeight, HBITMAP& hDib) {
    bitmapInfo.bmiHeader = platform::Dib24Header(lWidth, lHeight);

    void* bits = nullptr;
    HBITMAP h = CreateDIBSection(lhDC, &bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
    bitsPtr = static_cast<BYTE*>(bits);
    hDib = h;
    return h != nullptr;
}

void cDIBSection::CreateFromPicture(HBITMAP picThis) {
    BITMAP record{};
    GetObjectA(picThis, sizeof record, &record);
    if (!Create(record.bmWidth, record.bmHeight)) {
        return;
    }
    HWND w = GetDesktopWindow();
    HDC screen = GetDC(w);
    if (screen == nullptr) {
        return;
    }
    HDC tmp = CreateCompatibleDC(screen);
    ReleaseDC(w, screen);
    if (tmp == nullptr) {
        return;
    }
    HGDIOBJ prev = SelectObject(tmp, picThis);
    LoadPictureBlt(tmp, 0, 0, -1, -1, SRCCOPY);
    SelectObject(tmp, prev);
    DeleteDC(tmp);
}

bool cDIBSection::Create(LONG lWidth, LONG lHeight) {
    ClearUp();
    memDC = CreateCompatibleDC(nullptr);
    if (memDC == nullptr) {
        return false;
    }
    if (CreateDIB(memDC, lWidth, lHeight, dibHandle)) {
        oldBitmap = SelectObject(memDC, dibHandle);
        return true;
    }
    DeleteDC(memDC);
    memDC = nullptr;
    return false;
}

void cDIBSection::LoadPictureBlt(HDC lhDC, LONG lSrcLeft, LONG lSrcTop, LONG lSrcWidth,
                                 LONG lSrcHeight, DWORD eRop) {
    if (lSrcWidth < 0) {
        lSrcWidth = Width();
    }
    if (lSrcHeight < 0) {
        lSrcHeight = Height();
    }
    BitBlt(memDC, 0, 0, lSrcWidth, lSrcHeight, lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(HDC lhDC, LONG lDestLeft, LONG lDestTop, LONG lDestWidth,
                               LONG lDestHeight, LONG lSrcLeft, LONG lSrcTop, DWORD eRop) {
    if (lDestWidth < 0) {
        lDestWidth = Width();
    }
    if (lDestHeight < 0) {
        lDestHeight = Height();
    }
    BitBlt(lhDC, lDestLeft, lDestTop, lDestWidth, lDestHeight, memDC, lSrcLeft, lSrcTop, eRop);
}

HDC cDIBSection::hdc() const {
    return memDC;
}

HBITMAP cDIBSection::hDib() const {
    return dibHandle;
}

BYTE* cDIBSection::DIBSectionBitsPtr() const {
    return bitsPtr;
}

void cDIBSection::ClearUp() {
    if (memDC != nullptr) {
        if (dibHandle != nullptr) {
            platform::DeselectAndDelete(memDC, oldBitmap, dibHandle);
        }
        DeleteDC(memDC);
    }
    memDC = nullptr;
    dibHandle = nullptr;
    oldBitmap = nullptr;
    bitsPtr = nullptr;
}

}  // namespace orvane
