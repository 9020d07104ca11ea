#include "dialogs/dialogs.h"

#include <algorithm>
#include <cmath>

void PaintPic(HWND window, HBITMAP bitmap, int x, int y)
{
    BITMAP size;
    if (!GetObjectA(bitmap, sizeof size, &size))
        return;
    // The frames grow with the DPI and the dialog's font, but not in the picture's
    // shape: the picture takes as much of the inside as it can whole, centred.
    RECT client;
    GetClientRect(window, &client);
    const int insideWidth = client.right - 2 * x, insideHeight = client.bottom - 2 * y;
    const double scale = std::min(static_cast<double>(insideWidth) / size.bmWidth, static_cast<double>(insideHeight) / size.bmHeight);
    const int width = static_cast<int>(std::lround(size.bmWidth * scale)), height = static_cast<int>(std::lround(size.bmHeight * scale));
    HDC target = GetDC(window);
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ previous = SelectObject(source, bitmap);
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, x + (insideWidth - width) / 2, y + (insideHeight - height) / 2, width, height, source, 0, 0, size.bmWidth,
               size.bmHeight, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    ReleaseDC(window, target);
}

UINT WindowDpi(HWND window)
{
    // GetDpiForWindow came with Windows 10; before it every window has the system's DPI.
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (const UINT dpi = window && getDpiForWindow ? getDpiForWindow(window) : 0)
        return dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

void ReleasePicture(HBITMAP& picture)
{
    DeleteObject(picture);
    picture = nullptr;
}
