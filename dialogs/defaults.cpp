#include "dialogs/dialogs.h"

#include "resources/resource.h"
#include "settings/settings.h"

namespace {

// One tick box per default group, in the order of DefaultGroup.
const int GROUP_BOXES[DEFAULT_GROUP_COUNT] = {
    IDC_RESET_COLORS, IDC_RESET_MOVE, IDC_RESET_POINT_SIZE, IDC_RESET_POINT_COUNT, IDC_RESET_ROTATION, IDC_RESET_SPREAD,
};

}  // namespace

void CheckDefaults(HWND hDlg)
{
    for (int group = 0; group < DEFAULT_GROUP_COUNT; ++group)
        if (IsDlgButtonChecked(hDlg, GROUP_BOXES[group]) == BST_CHECKED)
            ResetGroup(ActualData, static_cast<DefaultGroup>(group));
}

INT_PTR CALLBACK ScreenSaverDefaultsDialog(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        for (int box : GROUP_BOXES)
            CheckDlgButton(hDlg, box, BST_CHECKED);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            CheckDefaults(hDlg);
            EndDialog(hDlg, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(hDlg, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
