#include "framework/Dpi.h"

namespace {

// Windows 10 tells a window's own DPI; before it, the screen's (the program is system aware).
UINT WindowDpi(HWND window)
{
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn forWindow = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (forWindow && window)
        if (const UINT dpi = forWindow(window))
            return dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : 96;
}

}  // namespace

int ScalePixels(HWND window, int pixels)
{
    return MulDiv(pixels, int(WindowDpi(window)), 96);
}
