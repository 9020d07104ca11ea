#include "tests/dialogs/dialog_driver.h"

#include "dialogs/dialogs.h"
#include "tests/support/record.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <deque>
#include <utility>

const char CONFIGURE_CAPTION[] = "Configuration of Nimbrel ScreenSaver v1.0";
const char DEFAULTS_CAPTION[] = "Set Defaults";
const char ABOUT_CAPTION[] = "About";

namespace {

struct Pending {
    std::string Caption;
    DialogAction Action;
};

std::deque<Pending> pending;
int idleTicks;

constexpr UINT TICK_MS = 10;
// A dialog that has not turned up after this long never will.
constexpr int GIVE_UP_TICKS = 1000;

struct Search {
    const std::string* Caption;
    HWND Found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM lParam)
{
    Search& search = *reinterpret_cast<Search*>(lParam);
    char className[16], caption[128];
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    if (std::string(className) == "#32770" && *search.Caption == caption && IsWindowVisible(window) && IsWindowEnabled(window)) {
        search.Found = window;
        return FALSE;
    }
    return TRUE;
}

HWND ReadyDialog(const std::string& caption)
{
    Search search = {&caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

BOOL CALLBACK EndEveryDialog(HWND window, LPARAM)
{
    char className[16];
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770")
        EndDialog(window, -2);
    return TRUE;
}

void GiveUp()
{
    if (pending.empty())
        ADD_FAILURE() << "every action ran, and still a dialog is open";
    else
        ADD_FAILURE() << "no enabled dialog \"" << pending.front().Caption << "\" turned up";
    pending.clear();
    idleTicks = 0;
    EnumThreadWindows(GetCurrentThreadId(), EndEveryDialog, 0);
}

// An action may open a modal box whose loop ticks this timer again, so the
// action leaves the queue before it runs.
void CALLBACK Step(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = pending.empty() ? nullptr : ReadyDialog(pending.front().Caption);
    if (!dialog) {
        if (++idleTicks > GIVE_UP_TICKS)
            GiveUp();
        return;
    }
    idleTicks = 0;
    const DialogAction action = std::move(pending.front().Action);
    pending.pop_front();
    action(dialog);
}

// The configuration dialog procedure has the library's BOOL result.
INT_PTR CALLBACK ConfigureProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ScreenSaverConfigureDialog(dialog, message, wParam, lParam);
}

}  // namespace

INT_PTR RunDialog(int templateId, DLGPROC procedure)
{
    idleTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, TICK_MS, Step);
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, procedure, 0);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(pending.empty()) << pending.size() << " actions never ran, the first on \"" << pending.front().Caption << '"';
    pending.clear();
    return result;
}

INT_PTR RunConfiguration()
{
    RegisterDialogClasses(GetModuleHandleA(nullptr));
    return RunDialog(DLG_SCRNSAVECONFIGURE, ConfigureProcedure);
}

void On(const char* caption, DialogAction action)
{
    pending.push_back({caption, std::move(action)});
}

void Press(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Tick(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PressKey(HWND dialog, WPARAM key)
{
    PostMessageA(dialog, WM_KEYDOWN, key, 0);
}

void Slide(HWND dialog, int id, int position)
{
    HWND trackbar = GetDlgItem(dialog, id);
    SendMessageA(trackbar, TBM_SETPOS, TRUE, position);
    UpdateWindow(trackbar);
}

int Position(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

bool IsTicked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

std::string Text(HWND dialog, int id)
{
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void ExpectPictureInside(HWND control, HBITMAP picture)
{
    BITMAP size;
    ASSERT_TRUE(GetObjectA(picture, sizeof size, &size)) << "no picture";
    // The control paints a one-pixel frame along the edges of its client area,
    // over whatever of the picture reaches them; how much room is inside it
    // depends on the dialog font.
    RECT client;
    GetClientRect(control, &client);
    const int width = std::min<int>(size.bmWidth, client.right - 2);
    const int height = std::min<int>(size.bmHeight, client.bottom - 2);
    ASSERT_GT(width, 1);
    ASSERT_GT(height, 1);

    HDC screen = GetDC(control);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, picture);
    int mismatches = 0;
    // Every pixel of a sparse grid that takes in both far edges.
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width; x += 5) {
            const int px = x + 5 >= width ? width - 1 : x;
            const int py = y + 7 >= height ? height - 1 : y;
            if (GetPixel(screen, px + 1, py + 1) != GetPixel(memory, px, py) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << px << ',' << py << " of the picture is not at " << px + 1 << ',' << py + 1;
        }
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(control, screen);
    EXPECT_EQ(mismatches, 0);
}

void DialogTest::Store(const SS_Data& data)
{
    const SS_Data kept = ActualData;
    ActualData = data;
    ASSERT_TRUE(WriteConfig());
    ActualData = kept;
}

void DialogTest::StoreValue(const char* name, DWORD bits)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&bits), sizeof bits), ERROR_SUCCESS);
    RegCloseKey(key);
}

SS_Data DialogTest::Stored()
{
    SS_Data data = {};
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        ADD_FAILURE() << "nothing is stored";
        return data;
    }
    for (const FieldInfo& field : Fields) {
        DWORD bits = 0, type = 0, size = sizeof bits;
        EXPECT_EQ(RegQueryValueExA(key, field.Name, nullptr, &type, reinterpret_cast<BYTE*>(&bits), &size), ERROR_SUCCESS) << field.Name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << field.Name;
        SetFieldBits(data, field, bits);
    }
    RegCloseKey(key);
    return data;
}

SS_Data EditableRecord()
{
    SS_Data data = DistinctRecord();
    data.SCol_R = 0.0f;
    data.SCol_G = 1.0f;
    data.SCol_B = 0.0f;
    data.RotY = 0.75f;
    data.RotZ = 1.0f;
    return data;
}
