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

void ReleasePicture(HBITMAP& picture)
{
    DeleteObject(picture);
    picture = nullptr;
}
