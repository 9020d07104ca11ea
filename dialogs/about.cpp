#include "dialogs/dialogs.h"

#include "resources/resource.h"

HINSTANCE hInstanceAbout;
HBITMAP hBitmapAbout;
HWND hPicAbout;

namespace {

// Escape ends the box as OK does: nothing else closes it, for it has no close button.
void CloseAbout(HWND hDlg, INT_PTR result)
{
    ReleasePicture(hBitmapAbout);
    EndDialog(hDlg, result);
}

}  // namespace

INT_PTR CALLBACK ScreenSaverAboutDialog(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        hInstanceAbout = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hDlg, GWLP_HINSTANCE));
        hBitmapAbout = LoadBitmapA(hInstanceAbout, MAKEINTRESOURCEA(IDB_ABOUT_PICTURE));
        hPicAbout = GetDlgItem(hDlg, IDC_ABOUT_PICTURE);
        return TRUE;
    case WM_PAINT:
        PaintPic(hPicAbout, hBitmapAbout, 1, 1);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            CloseAbout(hDlg, 1);
            return TRUE;
        case IDCANCEL:
            CloseAbout(hDlg, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
