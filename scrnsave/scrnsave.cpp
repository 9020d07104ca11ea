#include "scrnsave/scrnsave.h"

#include "scrnsave/closing.h"
#include "scrnsave/command_line.h"
#include "scrnsave/pacing.h"

#include <dwmapi.h>
#include <timeapi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

HINSTANCE hMainInstance;
HWND hMainWindow;
WINBOOL fChildPreview;

namespace {

const char SAVER_CLASS[] = "WindowsScreenSaverClass";
const char SAVER_TITLE[] = "SCREENSAVER";

bool closing;
POINT cursorStart;

void CloseSaver(HWND window)
{
    closing = true;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

// Every monitor, not only the primary one: the saver draws a cloud on each.
RECT VirtualScreen()
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// A new display mode, or a monitor docked or gone: the saver covers the screens
// as they are now, before it hears of the change. Windows may have moved the
// cursor onto them, which is no move of the user's.
void FollowDisplay(HWND window)
{
    const RECT screen = VirtualScreen();
    SetWindowPos(window, HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top, SWP_NOACTIVATE);
    GetCursorPos(&cursorStart);
}

LRESULT CALLBACK LibraryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        GetCursorPos(&cursorStart);
    if (message == WM_DISPLAYCHANGE && !fChildPreview)
        FollowDisplay(window);
    switch (RouteMessage(fChildPreview, closing, message, wParam)) {
    case Route::Swallow:
        return 0;
    case Route::Default:
        return DefWindowProcA(window, message, wParam, lParam);
    case Route::Saver:
        break;
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

bool RegisterSaverClass(HINSTANCE instance)
{
    WNDCLASSA saverClass = {};
    // A private DC keeps the pixel format that OpenGL sets on it; a parent's DC would not.
    saverClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    saverClass.lpfnWndProc = LibraryProc;
    saverClass.hInstance = instance;
    saverClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(ID_APP));
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = SAVER_CLASS;
    return RegisterClassA(&saverClass) != 0;
}

HWND CreateSaverWindow(HINSTANCE instance, HWND host)
{
    if (host) {
        RECT client;
        GetClientRect(host, &client);
        // Disabled, so that the mouse over it goes to the host: the host's input then
        // never waits on a frame of ours, though the two threads share their input.
        return CreateWindowExA(0, SAVER_CLASS, SAVER_TITLE, WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0, client.right, client.bottom,
                               host, nullptr, instance, nullptr);
    }
    const RECT screen = VirtualScreen();
    return CreateWindowExA(WS_EX_TOPMOST, SAVER_CLASS, SAVER_TITLE, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, screen.left,
                           screen.top, screen.right - screen.left, screen.bottom - screen.top, nullptr, nullptr, instance, nullptr);
}

// What wakes the loop: QS_ALLINPUT as Windows 7 and 8.0 take it. Later headers add
// touch and pointer input to it, and those versions then refuse the whole wait.
constexpr DWORD WAKE_MASK = QS_KEY | QS_MOUSE | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE | QS_RAWINPUT;

// Sleeps until a message comes or, when one is given, until a frame's time.
class FrameTimer {
public:
    // Windows 10 1803 and later keep a waitable timer to the moment when asked to;
    // before them it fires on the system clock's ticks, 15.6 ms apart unless the
    // process asks for 1 ms. A preview also watches its host's process, since a
    // host that ends without closing its windows may leave ours to no one.
    explicit FrameTimer(HANDLE host) : host_(host)
    {
        constexpr DWORD HIGH_RESOLUTION = 2;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, HIGH_RESOLUTION, TIMER_ALL_ACCESS);
        if (!timer_) {
            coarse_ = timeBeginPeriod(1) == TIMERR_NOERROR;
            timer_ = CreateWaitableTimerW(nullptr, FALSE, nullptr);
        }
    }
    ~FrameTimer()
    {
        if (coarse_)
            timeEndPeriod(1);
        if (timer_)
            CloseHandle(timer_);
    }
    FrameTimer(const FrameTimer&) = delete;
    FrameTimer& operator=(const FrameTimer&) = delete;

    // False once the host's process has ended.
    bool Wait(bool untilDue, double due)
    {
        HANDLE handles[2] = {host_, timer_};
        DWORD timeout = INFINITE, count = host_ ? 1 : 0;
        if (untilDue) {
            const double seconds = std::max(0.0, due - SaverSeconds());
            LARGE_INTEGER relative;  // negative: from now, in 100 ns
            relative.QuadPart = -std::max<LONGLONG>(1, static_cast<LONGLONG>(seconds * 1e7));
            if (timer_ && SetWaitableTimer(timer_, &relative, 0, nullptr, nullptr, FALSE))
                handles[count++] = timer_;
            else
                timeout = static_cast<DWORD>(std::ceil(seconds * 1000));
        }
        const DWORD woken = FrameWait(count, handles, timeout, WAKE_MASK, MWMO_INPUTAVAILABLE);
        if (woken != WAIT_FAILED)
            return !(host_ && woken == WAIT_OBJECT_0);
        // A wait that fails must not make the loop spin.
        if (untilDue)
            Sleep(static_cast<DWORD>(std::ceil(std::max(0.0, due - SaverSeconds()) * 1000)));
        else
            WaitMessage();
        return true;
    }

private:
    HANDLE host_, timer_ = nullptr;
    bool coarse_ = false;
};

// A preview whose host is minimised or hidden shows nothing, and draws nothing.
bool Shown(HWND window)
{
    return IsWindowVisible(window) && !IsIconic(GetAncestor(window, GA_ROOT));
}

void ReadDisplayClock(FramePacer& pacer, HWND window)
{
    SYSTEM_POWER_STATUS power;
    const bool onBattery = GetSystemPowerStatus(&power) && power.ACLineStatus == 0;
    const DisplayClock clock = FrameDisplay.Clock(window);
    SetDisplayClock(pacer, clock, RefreshesPerFrame(clock.Period, onBattery));
}

// Frames at the display's pace, and before each of them every message that is
// waiting, so that input ends the saver within a frame however slow frames are.
void RunFrames(HWND window, HANDLE host)
{
    FrameTimer timer(host);
    // The window's own device context, which its class keeps for it.
    const HDC dc = GetDC(window);
    FramePacer pacer;
    double clockRead = -HUGE_VAL;
    bool framesWanted = true;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            // Any message may be the one that wakes the monitors or shows the preview again.
            framesWanted = true;
        }
        if (!framesWanted || closing || !Shown(window)) {
            if (!timer.Wait(false, 0))
                break;
            continue;
        }
        const double now = SaverSeconds();
        // The display's mode and the power supply can change under the saver.
        if (now - clockRead >= 1) {
            ReadDisplayClock(pacer, window);
            clockRead = now;
        }
        const double due = FrameDue(pacer);
        if (now < due) {
            if (!timer.Wait(true, due))
                break;
            continue;
        }
        const double time = StartFrame(pacer, now);
        if (FrameDisplay.BeforeDrawing)
            FrameDisplay.BeforeDrawing();
        framesWanted = ScreenSaverFrame(window, time, pacer.Period());
        if (framesWanted)
            FrameDisplay.Present(dc);
    }
    // A preview goes with its host's process, whether or not its window is still there.
    DestroyWindow(window);
}

int RunSaver(HINSTANCE instance, HWND host)
{
    fChildPreview = host != nullptr;
    closing = false;
    if (!RegisterDialogClasses(instance)) {
        MessageBoxA(nullptr, "RegisterClasses() failed", nullptr, MB_OK | MB_ICONERROR);
        return 0;
    }
    if (!RegisterSaverClass(instance))
        return 0;
    // Watched from before the preview's window is made, so that a host that ends
    // meanwhile cannot leave the window to no one.
    DWORD hostId = 0;
    GetWindowThreadProcessId(host, &hostId);
    const HANDLE hostProcess = hostId && hostId != GetCurrentProcessId() ? OpenProcess(SYNCHRONIZE, FALSE, hostId) : nullptr;
    hMainWindow = CreateSaverWindow(instance, host);
    if (hMainWindow) {
        // Started by a program that does not hold the foreground, the saver would get no keys.
        if (!host)
            SetForegroundWindow(hMainWindow);
        RunFrames(hMainWindow, hostProcess);
    }
    if (hostProcess)
        CloseHandle(hostProcess);
    UnregisterClassA(SAVER_CLASS, instance);
    return 0;
}

// A handle from the command line is used only when it names a window; on 32-bit
// Windows a value that does not fit a handle names none.
HWND WindowNamed(std::uint64_t value)
{
    if (value == 0 || value > UINTPTR_MAX)
        return nullptr;
    HWND host = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
    return IsWindow(host) ? host : nullptr;
}

// The configuration dialog's procedure is declared with a BOOL result; the
// dialog manager calls through a pointer-sized one.
INT_PTR CALLBACK ConfigureDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ScreenSaverConfigureDialog(dialog, message, wParam, lParam);
}

}  // namespace

LRESULT WINAPI DefScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!fChildPreview && !closing) {
        const Ending ending = EndingOf(message, wParam);
        POINT cursor = cursorStart;
        if (ending == Ending::IfMoved)
            GetCursorPos(&cursor);
        if (ending == Ending::Yes || (ending == Ending::IfMoved && CursorMoved(cursorStart, cursor)))
            CloseSaver(window);
    }
    switch (message) {
    case WM_SETCURSOR:
        if (!fChildPreview) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

double SaverSeconds()
{
    static const double ticksPerSecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerSecond;
}

DisplayClock WindowsDisplayClock(HWND window)
{
    // The compositor presents every window on its own clock, which knows the refresh
    // to the millihertz and when each blank was. From Windows 8 on it always runs.
    BOOL composed = FALSE;
    DWM_TIMING_INFO timing = {};
    timing.cbSize = sizeof timing;
    if (SUCCEEDED(DwmIsCompositionEnabled(&composed)) && composed && SUCCEEDED(DwmGetCompositionTimingInfo(nullptr, &timing))) {
        LARGE_INTEGER frequency, now;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&now);
        if (const auto clock = CompositionClock(timing, frequency.QuadPart, now.QuadPart))
            return *clock;
    }
    MONITORINFOEXA monitor = {};
    monitor.cbSize = sizeof monitor;
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)
        || !EnumDisplaySettingsA(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode))
        mode.dmDisplayFrequency = 0;
    return RefreshClock(mode.dmDisplayFrequency);
}

SaverDisplay FrameDisplay = {WindowsDisplayClock, nullptr, [](HDC dc) { SwapBuffers(dc); }};
DWORD(WINAPI* FrameWait)(DWORD, const HANDLE*, DWORD, DWORD, DWORD) = MsgWaitForMultipleObjectsEx;

int ScreenSaverMain(HINSTANCE instance, const char* commandTail)
{
    hMainInstance = instance;
    const SaverCommand command = ParseCommandLine(commandTail);
    switch (command.Mode) {
    case SaverMode::FullScreen:
        return RunSaver(instance, nullptr);
    case SaverMode::Preview:
        if (HWND host = WindowNamed(command.Window))
            return RunSaver(instance, host);
        return 0;
    case SaverMode::Configure: {
        HWND owner = WindowNamed(command.Window);
        RegisterDialogClasses(instance);
        DialogBoxA(instance, MAKEINTRESOURCEA(DLG_SCRNSAVECONFIGURE), owner ? owner : GetForegroundWindow(), ConfigureDialogProc);
        return 0;
    }
    case SaverMode::ChangePassword:
        // Password changes belong to the 9x family of Windows; there is nothing to do here.
        return 0;
    }
    return 0;
}
