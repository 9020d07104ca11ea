#include "tests/dialogs/dialog_driver.h"

#include "dialogs/dialogs.h"
#include "tests/support/record.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <utility>

const char CONFIGURE_CAPTION[] = "Configuration of Nimbrel ScreenSaver v1.0";
const char DEFAULTS_CAPTION[] = "Set Defaults";
const char ABOUT_CAPTION[] = "About";

namespace {

struct Pending {
    std::string Caption;
    std::function<void(HWND)> Action;
};

std::deque<Pending> pending;
int idleTicks;
constexpr UINT TICK_MS = 10;
constexpr int GIVE_UP_TICKS = 1000;

BOOL CALLBACK MatchDialog(HWND window, LPARAM found)
{
    char className[16], caption[128];
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    const bool match = std::string(className) == "#32770" && pending.front().Caption == caption
                       && IsWindowVisible(window) && IsWindowEnabled(window);
    if (match)
        *reinterpret_cast<HWND*>(found) = window;
    return !match;
}

// An action may open a box whose modal loop ticks this timer again, so it
// leaves the queue before it runs.
void CALLBACK Step(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    if (!pending.empty())
        EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) {
        if (++idleTicks < GIVE_UP_TICKS)
            return;
        std::fprintf(stderr, "gave up waiting for %s\n", pending.empty() ? "the dialog to end" : pending.front().Caption.c_str());
        std::abort();
    }
    idleTicks = 0;
    const auto action = std::move(pending.front().Action);
    pending.pop_front();
    action(dialog);
}

// The library's declaration gives the procedure a BOOL result.
INT_PTR CALLBACK ConfigureProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ScreenSaverConfigureDialog(dialog, message, wParam, lParam);
}

}  // namespace

void On(const char* caption, std::function<void(HWND)> action)
{
    pending.push_back({caption, std::move(action)});
}

INT_PTR RunConfiguration()
{
    RegisterDialogClasses(GetModuleHandleA(nullptr));
    idleTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, TICK_MS, Step);
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(DLG_SCRNSAVECONFIGURE), nullptr, ConfigureProcedure, 0);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(pending.empty()) << "actions left for " << pending.front().Caption;
    pending.clear();
    return result;
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
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
    UpdateWindow(GetDlgItem(dialog, id));
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

void DialogTest::Store(const SS_Data& data)
{
    const SS_Data kept = ActualData;
    ActualData = data;
    ASSERT_TRUE(WriteConfig());
    ActualData = kept;
}

SS_Data DialogTest::Stored()
{
    SS_Data data = {};
    for (const FieldInfo& field : Fields) {
        DWORD bits = 0, size = sizeof bits;
        EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, CONFIG_KEY, field.Name, RRF_RT_REG_DWORD, nullptr, &bits, &size), ERROR_SUCCESS) << field.Name;
        SetFieldBits(data, field, bits);
    }
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
