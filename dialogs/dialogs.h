// The configuration dialog (template IDD_CONFIGURE) with its banner, and the
// defaults and About dialogs that it opens.
#pragma once

#include <windows.h>
#include <scrnsave.h>

#include "settings/settings.h"

// The configuration dialog's module, banner and banner control.
extern HINSTANCE hInstanceConfig;
extern HBITMAP hBitmapConfig;
extern HWND hPicConfig;

// The About dialog's module, picture and picture control.
extern HINSTANCE hInstanceAbout;
extern HBITMAP hBitmapAbout;
extern HWND hPicAbout;

// ScreenSaverConfigureDialog and RegisterDialogClasses are declared in <scrnsave.h>.
INT_PTR CALLBACK ScreenSaverDefaultsDialog(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ScreenSaverAboutDialog(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// ActualData into the configuration dialog's controls, and back.
void SetDialogItemsValues(HWND hDlg);
void GetDialogItemsValues(HWND hDlg);
// The controls into a record, as GetDialogItemsValues reads them into ActualData.
void ReadDialogItems(HWND hDlg, SS_Data& data);
// Resets in ActualData the groups whose tick boxes are ticked in the defaults dialog.
void CheckDefaults(HWND hDlg);

// Copies the whole bitmap into the window's client area, inside a margin of x
// on the left and right and y above and below: its shape kept, as large as fits,
// and centred. Draws nothing without a bitmap.
void PaintPic(HWND window, HBITMAP bitmap, int x, int y);
// Deletes a dialog's picture and forgets it, so that no later paint uses the stale handle.
void ReleasePicture(HBITMAP& picture);
