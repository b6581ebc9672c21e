#include "platform/user32.h"

#include "platform/detail/gdi_objects.h"

using namespace orvane::platform::detail;

HWND GetDesktopWindow() {
    return DesktopWindowHandle();
}

HDC GetDC(HWND hWnd) {
    if (hWnd != nullptr && !IsWindow(hWnd)) {
        return nullptr;
    }
    return NewScreenDC();
}

int ReleaseDC(HWND /*hWnd*/, HDC hDC) {
    return FreeScreenDC(hDC) ? 1 : 0;
}
