#include "tests/simulated_display.h"

#include "saver/saver.h"
#include "scrnsave/scrnsave.h"
#include "settings/settings.h"

#include <windows.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

SimulatedDisplay display;
double origin, seconds, bufferFree, drawingFrom, cpuFrom;
HANDLE timer;
HWND host;

// A frame as it reached the display, and the refresh that first shows it.
struct Shown {
    double Presented;
    long long Refresh;
    float Turn;
    std::uint64_t Ticks;
    double Drawing;  // CPU seconds
};
std::vector<Shown> shown;

double Blank(long long refresh) { return origin + refresh / display.Hertz; }
long long RefreshAfter(double time) { return static_cast<long long>(std::floor((time - origin) * display.Hertz)) + 1; }

// Sleeps, as a driver that waits for the display does.
void WaitUntil(double time)
{
    LARGE_INTEGER relative;
    relative.QuadPart = -static_cast<LONGLONG>((time - SaverSeconds()) * 1e7);
    if (relative.QuadPart < 0 && SetWaitableTimer(timer, &relative, 0, nullptr, nullptr, FALSE))
        WaitForSingleObject(timer, INFINITE);
}

DisplayClock Clock(HWND)
{
    if (!display.Composed)
        return RefreshClock(static_cast<unsigned>(display.Hertz));
    return {1 / display.Hertz, true, Blank(RefreshAfter(SaverSeconds()) - 1)};
}

// The display's own waits count as drawing: they are the driver's, not the loop's.
void BeforeDrawing()
{
    drawingFrom = ThreadSeconds();
    if (display.Holds == Hold::InFirstDrawing)
        WaitUntil(bufferFree);
}

void CALLBACK StartMeasuring(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    cpuFrom = ThreadSeconds();
}

void CALLBACK End(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    DestroyWindow(host);
}

void Present(HDC)
{
    glFinish();
    WaitUntil(SaverSeconds() + display.Drawing);
    const double now = SaverSeconds();
    const long long refresh = RefreshAfter(now);
    if (display.Holds == Hold::InSwap)
        WaitUntil(Blank(refresh));
    else if (display.Holds == Hold::InFirstDrawing)
        bufferFree = Blank(refresh);
    shown.push_back({now, refresh, GLScene.Shown.Angle[2], AnimationClock.Ticks, ThreadSeconds() - drawingFrom});
    if (shown.size() == 1) {
        SetTimer(nullptr, 0, 1000, StartMeasuring);
        SetTimer(nullptr, 0, static_cast<UINT>((1 + seconds) * 1000), End);
    }
}

}  // namespace

double ThreadSeconds()
{
    FILETIME t[4];
    GetThreadTimes(GetCurrentThread(), &t[0], &t[1], &t[2], &t[3]);
    return (t[2].dwLowDateTime + t[3].dwLowDateTime + 4294967296.0 * (t[2].dwHighDateTime + t[3].dwHighDateTime)) / 1e7;
}

PaceFigures MeasurePace(const SimulatedDisplay& simulated, double runSeconds)
{
    // Settings of its own, in keys that stand in for the real ones: light halos turning a degree
    // a tick, so that the frame loop's own cost shows beside their drawing.
    const std::string scratch = "Software\\NimbrelPace\\" + std::to_string(GetCurrentProcessId());
    HKEY machine, user;
    RegCreateKeyExA(HKEY_CURRENT_USER, (scratch + "\\machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine, nullptr);
    RegCreateKeyExA(HKEY_CURRENT_USER, (scratch + "\\user").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine);
    RegOverridePredefKey(HKEY_CURRENT_USER, user);
    ActualData = {0, 0, 0, 1, 1, 1, 0, 0, 0, 0.25f, 0, 4, 4, 2, 1500, 0, 0, 0.5f, 0, 0, 1, 0.25f};
    WriteConfig();

    std::tie(display, seconds, cpuFrom) = std::tuple{simulated, runSeconds, 0.0};
    shown.clear();
    timer = CreateWaitableTimerExW(nullptr, nullptr, 2, TIMER_ALL_ACCESS);  // of high resolution
    origin = bufferFree = SaverSeconds();
    FrameDisplay = {Clock, BeforeDrawing, Present};
    host = CreateWindowA("STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112, nullptr, nullptr, nullptr, nullptr);
    ScreenSaverMain(GetModuleHandleA(nullptr), ("/p " + std::to_string(reinterpret_cast<std::uintptr_t>(host))).c_str());
    PaceFigures figures = {};
    figures.ThreadSeconds = ThreadSeconds() - cpuFrom;
    CloseHandle(timer);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(machine);
    RegCloseKey(user);
    RegDeleteTreeA(HKEY_CURRENT_USER, scratch.c_str());

    if (shown.empty())
        return figures;
    const double from = shown.front().Presented + 1, until = from + seconds;
    const long long first = RefreshAfter(from), last = RefreshAfter(until) - 1;
    std::vector<bool> fresh(static_cast<std::size_t>(std::max(0LL, last - first + 1)));
    const Shown* start = nullptr;
    for (std::size_t k = 1; k < shown.size() && shown[k].Presented <= until; ++k) {
        const Shown &frame = shown[k], &before = shown[k - 1];
        if (frame.Refresh >= first && frame.Refresh <= last)
            fresh[static_cast<std::size_t>(frame.Refresh - first)] = true;
        if (frame.Presented < from)
            continue;
        start = start ? start : &frame;
        std::tie(figures.Seconds, figures.Ticks) = std::tuple{frame.Presented - start->Presented, frame.Ticks - start->Ticks};
        figures.Frames++;
        figures.DrawingSeconds += frame.Drawing;
        // A degree a tick: each frame shows its refresh's own moment, less whole turns.
        const double turn = std::remainder(double{frame.Turn} - before.Turn, 360.0);
        figures.TurnMiss += std::fabs(turn - (Blank(frame.Refresh) - Blank(before.Refresh)) / TICK_SECONDS);
    }
    figures.TurnMiss /= std::max(1, figures.Frames);
    figures.Refreshes = static_cast<int>(fresh.size());
    figures.Repeats = static_cast<int>(std::count(fresh.begin(), fresh.end(), false));
    return figures;
}
