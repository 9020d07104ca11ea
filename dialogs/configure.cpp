#include "dialogs/dialogs.h"

#include "dialogs/controls.h"
#include "dialogs/preview.h"
#include "resources/resource.h"
#include "settings/settings.h"

#include <commctrl.h>

HINSTANCE hInstanceConfig;
HBITMAP hBitmapConfig;
HWND hPicConfig;

namespace {

const char SAVE_FAILED_TITLE[] = "Nimbrel";
const char SAVE_FAILED_TEXT[] =
    "The settings could not be saved.\n\n"
    "Neither this computer's settings nor your own could be written. "
    "Your changes are still in the dialog: press OK to try again, or Cancel to leave without saving.";

void RepaintBanner()
{
    PaintPic(hPicConfig, hBitmapConfig, 1, 1);
}

int Position(HWND hDlg, int id)
{
    return static_cast<int>(SendDlgItemMessageA(hDlg, id, TBM_GETPOS, 0, 0));
}

void SetPosition(HWND hDlg, int id, int position)
{
    SendDlgItemMessageA(hDlg, id, TBM_SETPOS, TRUE, position);
}

int RadioButton(const FieldInfo& field, int value)
{
    return field.ControlId + value - field.Low;
}

bool IsChecked(HWND hDlg, int id)
{
    return IsDlgButtonChecked(hDlg, id) == BST_CHECKED;
}

void Check(HWND hDlg, int id, bool checked)
{
    CheckDlgButton(hDlg, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void OpenConfiguration(HWND hDlg)
{
    hInstanceConfig = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hDlg, GWLP_HINSTANCE));
    hBitmapConfig = LoadBitmapA(hInstanceConfig, MAKEINTRESOURCEA(IDB_BANNER));
    hPicConfig = GetDlgItem(hDlg, IDC_BANNER);
    ReadConfig();
    SetDialogItemsValues(hDlg);
    StartPreview(GetDlgItem(hDlg, IDC_PREVIEW));
}

void CloseConfiguration(HWND hDlg, INT_PTR result)
{
    ReleasePicture(hBitmapConfig);
    EndDialog(hDlg, result);
}

// A store that fails keeps the dialog open with the user's edits, to try again or cancel.
void StoreAndClose(HWND hDlg)
{
    GetDialogItemsValues(hDlg);
    if (!WriteConfig()) {
        MessageBoxA(hDlg, SAVE_FAILED_TEXT, SAVE_FAILED_TITLE, MB_OK | MB_ICONWARNING);
        return;
    }
    CloseConfiguration(hDlg, 1);
}

void ResetToDefaults(HWND hDlg)
{
    // The controls go into ActualData first, so that groups left unticked keep unsaved edits.
    GetDialogItemsValues(hDlg);
    if (DialogBoxParamA(hInstanceConfig, MAKEINTRESOURCEA(IDD_DEFAULTS), hDlg, ScreenSaverDefaultsDialog, 0) != 0)
        SetDialogItemsValues(hDlg);
    PreviewFollows(hDlg);
}

BOOL ConfigurationCommand(HWND hDlg, int id)
{
    switch (id) {
    case IDOK:
        StoreAndClose(hDlg);
        return TRUE;
    case IDCANCEL:
        CloseConfiguration(hDlg, 0);
        return TRUE;
    case IDC_OPEN_ABOUT:
        DialogBoxParamA(hInstanceConfig, MAKEINTRESOURCEA(IDD_ABOUT), hDlg, ScreenSaverAboutDialog, 0);
        return TRUE;
    case IDC_SET_DEFAULTS:
        ResetToDefaults(hDlg);
        return TRUE;
    }
    RepaintBanner();
    PreviewFollows(hDlg);
    return FALSE;
}

void MoveIfNeeded(HWND hDlg, int id, std::optional<int> position)
{
    if (position)
        SetPosition(hDlg, id, *position);
}

// Trackbars notify whenever they paint, and every change of position repaints them.
void TrackbarNotified(HWND hDlg, WPARAM id)
{
    switch (id) {
    case IDC_POINT_COUNT:
        SetDlgItemInt(hDlg, IDC_COUNT_TEXT, Position(hDlg, IDC_POINT_COUNT), TRUE);
        break;
    case IDC_SIZE_MAX:
        MoveIfNeeded(hDlg, IDC_SIZE_MIN, MinimumAfterMaximumMoved(Position(hDlg, IDC_SIZE_MAX), Position(hDlg, IDC_SIZE_MIN)));
        break;
    case IDC_SIZE_MIN:
        MoveIfNeeded(hDlg, IDC_SIZE_MAX, MaximumAfterMinimumMoved(Position(hDlg, IDC_SIZE_MAX), Position(hDlg, IDC_SIZE_MIN)));
        break;
    }
    RepaintBanner();
    PreviewFollows(hDlg);
}

}  // namespace

WINBOOL WINAPI RegisterDialogClasses(HANDLE hInst)
{
    InitCommonControls();
    return RegisterPreviewPane(static_cast<HINSTANCE>(hInst));
}

void SetDialogItemsValues(HWND hDlg)
{
    // Ranges before positions: a trackbar holds a position inside its current
    // range, which until now is the control's own 0 ... 100.
    for (const FieldInfo& field : Fields)
        if (IsTrackbar(field))
            SendDlgItemMessageA(hDlg, field.ControlId, TBM_SETRANGE, FALSE, MAKELPARAM(field.Low, field.High));
    for (const FieldInfo& field : Fields)
        if (IsTrackbar(field))
            SetPosition(hDlg, field.ControlId, TrackbarPosition(ActualData, field));
    for (const FieldInfo& field : Fields)
        if (field.Control == ControlKind::TickBox)
            Check(hDlg, field.ControlId, FieldBits(ActualData, field) != 0);
    for (const FieldInfo& field : Fields)
        if (field.Control == ControlKind::RadioButtons)
            for (int value = field.Low; value <= field.High; ++value)
                Check(hDlg, RadioButton(field, value), static_cast<std::int32_t>(FieldBits(ActualData, field)) == value);
}

void GetDialogItemsValues(HWND hDlg)
{
    ReadDialogItems(hDlg, ActualData);
}

void ReadDialogItems(HWND hDlg, SS_Data& data)
{
    for (const FieldInfo& field : Fields) {
        if (IsTrackbar(field))
            StoreTrackbarPosition(data, field, Position(hDlg, field.ControlId));
        else if (field.Control == ControlKind::TickBox)
            SetFieldBits(data, field, IsChecked(hDlg, field.ControlId));
        else
            // With no button selected the field keeps its value, so that a stored
            // value that no button stands for survives OK.
            for (int value = field.Low; value <= field.High; ++value)
                if (IsChecked(hDlg, RadioButton(field, value)))
                    SetFieldBits(data, field, static_cast<std::uint32_t>(value));
    }
}

WINBOOL WINAPI ScreenSaverConfigureDialog(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenConfiguration(hDlg);
        return TRUE;
    case WM_COMMAND:
        return ConfigurationCommand(hDlg, LOWORD(wParam));
    case WM_NOTIFY:
        TrackbarNotified(hDlg, wParam);
        return FALSE;
    case WM_PAINT:
        RepaintBanner();
        return FALSE;
    }
    return FALSE;
}
