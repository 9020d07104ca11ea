#include "dialogs/dialogs.h"

void PaintPic(HWND window, HBITMAP bitmap, int x, int y)
{
    BITMAP size;
    if (!GetObjectA(bitmap, sizeof size, &size))
        return;
    HDC target = GetDC(window);
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ previous = SelectObject(source, bitmap);
    BitBlt(target, x, y, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    ReleaseDC(window, target);
}

void ReleasePicture(HBITMAP& picture)
{
    DeleteObject(picture);
    picture = nullptr;
}
