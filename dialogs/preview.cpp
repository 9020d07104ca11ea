#include "dialogs/preview.h"

#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "settings/preview_link.h"
#include "settings/settings.h"

#include <cstdint>
#include <string>

const wchar_t* PreviewProgram = nullptr;

namespace {

// One pane at a time: the configuration dialog is modal.
struct {
    HANDLE Process;
    SettingsValues Given;
    // The preview will ask: at its start, or told of a change. No more is said till then.
    bool AskPending;
} preview;

// What OK would store now.
SettingsValues ShownValues(HWND hDlg)
{
    SS_Data shown = ActualData;
    ReadDialogItems(hDlg, shown);
    return ValuesOf(shown);
}

std::wstring ThisProgram()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(2 * path.size());
    }
}

void GiveSettings(HWND pane, HWND asker)
{
    if (GetParent(asker) != pane)
        return;
    preview.Given = ShownValues(GetParent(pane));
    preview.AskPending = false;
    COPYDATASTRUCT copy = {SETTINGS_COPY_TAG, sizeof preview.Given, preview.Given.data()};
    // The asker waits in its own send, so it takes this at once.
    SendMessageTimeoutA(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, 100, nullptr);
}

// Asks the preview to close and waits for it a while, answering what it sends the
// pane meanwhile. One that has not made its window yet has nothing to close, and
// one that does not end in time is ended.
void EndPreview(HWND pane)
{
    if (!preview.Process)
        return;
    HWND window = GetWindow(pane, GW_CHILD);
    const ULONGLONG deadline = GetTickCount64() + 2000;
    for (bool asked = window && PostMessageA(window, WM_CLOSE, 0, 0); asked;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD woken = now < deadline ? MsgWaitForMultipleObjects(1, &preview.Process, FALSE, static_cast<DWORD>(deadline - now), QS_SENDMESSAGE)
                                           : WAIT_TIMEOUT;
        if (woken != WAIT_OBJECT_0 + 1)
            break;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (WaitForSingleObject(preview.Process, 0) != WAIT_OBJECT_0 && TerminateProcess(preview.Process, 0))
        WaitForSingleObject(preview.Process, 1000);
    CloseHandle(preview.Process);
    preview.Process = nullptr;
}

LRESULT CALLBACK PreviewPaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PreviewMessages().Ask) {
        GiveSettings(pane, reinterpret_cast<HWND>(wParam));
        return 0;
    }
    if (message == WM_DESTROY)
        EndPreview(pane);
    return DefWindowProcA(pane, message, wParam, lParam);
}

}  // namespace

bool RegisterPreviewPane(HINSTANCE instance)
{
    WNDCLASSA pane = {};
    pane.lpfnWndProc = PreviewPaneProc;
    pane.hInstance = instance;
    pane.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    // What shows where the saver cannot draw.
    pane.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    pane.lpszClassName = PREVIEW_PANE_CLASS;
    return RegisterClassA(&pane) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void StartPreview(HWND pane)
{
    const std::wstring program = PreviewProgram ? PreviewProgram : ThisProgram();
    if (!pane || program.empty())
        return;
    std::wstring command = L"\"" + program + L"\" /p " + std::to_wstring(reinterpret_cast<std::uintptr_t>(pane));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    // Below normal, so that a heavy cloud never takes the processor from the dialog.
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, BELOW_NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started))
        return;
    CloseHandle(started.hThread);
    preview = {started.hProcess, {}, true};
}

void PreviewFollows(HWND hDlg)
{
    if (!preview.Process || preview.AskPending || ShownValues(hDlg) == preview.Given)
        return;
    HWND window = GetWindow(GetDlgItem(hDlg, IDC_PREVIEW), GW_CHILD);
    if (window && PostMessageA(window, PreviewMessages().Changed, 0, 0))
        preview.AskPending = true;
}
