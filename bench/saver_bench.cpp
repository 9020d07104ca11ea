// saver_bench SCR-PATH | --motion | --simulated: how fast nimbrel.scr shows its
// first frame, and how its frames and ticks keep time. --motion and --simulated
// run only those parts.
//  - start-up: from CreateProcess of "SCR /s" until the middle of the screen is
//    lit, against bare_frame (beside this program), which draws the same first
//    frame and nothing else; the two start in turn, in pairs, and each gives the
//    median of its runs. A program that does nothing gives the cost of a process;
//  - motion: the saver run in this process for 10 s, in preview (152 x 112, as
//    Windows shows it) and full screen, at the defaults and at 1500 points of
//    1000 pixels: its ticks a second against the nominal 40, its frames a second
//    against the rate it paces them at, the gaps between frames, and the CPU
//    time the process takes;
//  - simulated: the preview for 10 s on a simulated display of each kind: its
//    frames against the refresh, refreshes that showed no new frame, its ticks
//    against 40 a second, and its CPU time a frame.
#include "saver/saver.h"
#include "scrnsave/scrnsave.h"
#include "settings/settings.h"
#include "tests/simulated_display.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

PROCESS_INFORMATION Launch(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start %s: error %lu\n", commandLine.c_str(), GetLastError());
        std::exit(1);
    }
    CloseHandle(process.hThread);
    return process;
}

// The middle eighth of the screen, each way. A cloud of soft points need not light
// the very centre pixel: the saver's first frames can leave it dark for seconds.
class Middle {
public:
    Middle()
        : width_(GetSystemMetrics(SM_CXSCREEN) / 8), height_(GetSystemMetrics(SM_CYSCREEN) / 8),
          left_((GetSystemMetrics(SM_CXSCREEN) - width_) / 2), top_((GetSystemMetrics(SM_CYSCREEN) - height_) / 2)
    {
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = width_;
        format.bmiHeader.biHeight = -height_;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        screen_ = GetDC(nullptr);
        copy_ = CreateCompatibleDC(screen_);
        bitmap_ = CreateDIBSection(copy_, &format, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels_), nullptr, 0);
        SelectObject(copy_, bitmap_);
    }
    ~Middle()
    {
        DeleteDC(copy_);
        DeleteObject(bitmap_);
        ReleaseDC(nullptr, screen_);
    }
    bool Lit()
    {
        BitBlt(copy_, 0, 0, width_, height_, screen_, left_, top_, SRCCOPY);
        GdiFlush();
        for (int i = 0; i < width_ * height_; ++i) {
            const unsigned char* pixel = pixels_ + 4 * i;
            if (pixel[0] + pixel[1] + pixel[2] > 60)
                return true;
        }
        return false;
    }

private:
    int width_, height_, left_, top_;
    HDC screen_, copy_;
    HBITMAP bitmap_;
    unsigned char* pixels_ = nullptr;
};

// Seconds from CreateProcess until the program's first frame lights the middle of the screen.
double TimeToFirstFrame(Middle& screen, const std::string& commandLine)
{
    const double start = SaverSeconds();
    PROCESS_INFORMATION saver = Launch(commandLine);
    double lit = 0;
    while (SaverSeconds() - start < 20) {
        if (screen.Lit()) {
            lit = SaverSeconds() - start;
            break;
        }
        Sleep(1);
    }
    TerminateProcess(saver.hProcess, 0);
    WaitForSingleObject(saver.hProcess, INFINITE);
    CloseHandle(saver.hProcess);
    // Let the screen go dark again before the next run.
    while (screen.Lit())
        Sleep(10);
    return lit;
}

double TimeToRunNothing(const std::string& self)
{
    const double start = SaverSeconds();
    PROCESS_INFORMATION nothing = Launch("\"" + self + "\" --nothing");
    WaitForSingleObject(nothing.hProcess, INFINITE);
    CloseHandle(nothing.hProcess);
    return SaverSeconds() - start;
}

double ProcessSeconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto seconds = [](FILETIME t) { return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

// The frames that the saver drew, as they ended, and its ticks and CPU time at the first and the last.
std::vector<double> frameEnds;
std::uint64_t firstTicks, lastTicks;
double firstCpu, lastCpu, frameRate;

void PresentCounted(HDC dc)
{
    SwapBuffers(dc);
    frameEnds.push_back(SaverSeconds());
    lastTicks = AnimationClock.Ticks;
    lastCpu = ProcessSeconds();
    if (frameEnds.size() == 1)
        std::tie(firstTicks, firstCpu) = std::tuple{lastTicks, lastCpu};
}

void CALLBACK WatchSaver(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!IsWindow(hMainWindow))
        return;
    KillTimer(nullptr, timer);
    frameRate = 1 / WindowsDisplayClock(hMainWindow).Period;
    frameEnds.clear();
    FrameDisplay.Present = PresentCounted;
}

void CALLBACK EndSaver(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    DestroyWindow(GetParent(hMainWindow) ? GetParent(hMainWindow) : hMainWindow);
}

void StoreSetting(const char* name, DWORD value)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, CONFIG_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

// The saver for 10 s, with settings of its own in a key that stands in for both of the real ones.
void Motion(const char* name, bool preview, bool heavy)
{
    const char SCRATCH[] = "Software\\NimbrelBench";
    HKEY scratch;
    RegDeleteTreeA(HKEY_CURRENT_USER, SCRATCH);
    RegCreateKeyExA(HKEY_CURRENT_USER, SCRATCH, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch);
    RegOverridePredefKey(HKEY_CURRENT_USER, scratch);
    if (heavy) {
        const float size = 1000;
        DWORD bits;
        std::memcpy(&bits, &size, sizeof bits);
        StoreSetting("PointCount", 1500);
        StoreSetting("Size_Max", bits);
    }
    FrameDisplay.Present = [](HDC dc) { SwapBuffers(dc); };
    HWND host = preview ? CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112, nullptr, nullptr, nullptr, nullptr) : nullptr;
    const std::string tail = preview ? "/p " + std::to_string(reinterpret_cast<std::uintptr_t>(host)) : "/s";
    SetTimer(nullptr, 0, 1, WatchSaver);
    SetTimer(nullptr, 0, 10000, EndSaver);
    ScreenSaverMain(GetModuleHandleA(nullptr), tail.c_str());
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(scratch);
    RegDeleteTreeA(HKEY_CURRENT_USER, SCRATCH);

    std::vector<double> gaps;
    for (std::size_t i = 1; i < frameEnds.size(); ++i)
        gaps.push_back(frameEnds[i] - frameEnds[i - 1]);
    if (gaps.empty()) {
        std::printf("%s: no frames\n", name);
        return;
    }
    const double span = frameEnds.back() - frameEnds.front(), frames = static_cast<double>(gaps.size());
    const double ticks = static_cast<double>(lastTicks - firstTicks) / span, cpu = lastCpu - firstCpu;
    std::sort(gaps.begin(), gaps.end());
    std::printf("%s: ticks %.1f a second (%.3f of 40); frames %.1f a second (%.3f of %.0f); gaps median %.1f ms, 95th percentile %.1f ms; "
                "CPU %.0f ms a second, %.2f ms a frame\n",
                name, ticks, ticks * TICK_SECONDS, frames / span, frames / span / frameRate, frameRate, gaps[gaps.size() / 2] * 1000,
                gaps[gaps.size() * 95 / 100] * 1000, cpu / span * 1000, cpu / frames * 1000);
}

// The saver's preview for 10 s on a simulated display of each kind.
void Simulated()
{
    const struct { const char* Name; SimulatedDisplay Display; } displays[] = {
        {"59.94 Hz, held in the swap, composed", {59.94, Hold::InSwap, true, 0}},
        {"59.94 Hz, held in the first drawing, composed", {59.94, Hold::InFirstDrawing, true, 0}},
        {"59.94 Hz, never held, composed", {59.94, Hold::Nowhere, true, 0}},
        {"59.94 Hz, held in the swap, read as 59 Hz", {59.94, Hold::InSwap, false, 0}},
        {"59.94 Hz, held in the first drawing, read as 59 Hz", {59.94, Hold::InFirstDrawing, false, 0}},
        {"60 Hz, never held, read as 60 Hz", {60, Hold::Nowhere, false, 0}},
        {"144 Hz, held in the swap, composed", {144, Hold::InSwap, true, 0}},
        {"144 Hz, never held, composed", {144, Hold::Nowhere, true, 0}},
        {"30 Hz, held in the first drawing, composed", {30, Hold::InFirstDrawing, true, 0}},
        {"30 Hz, never held, read as 30 Hz", {30, Hold::Nowhere, false, 0}},
        {"24 Hz, held in the swap, composed", {24, Hold::InSwap, true, 0}},
        {"24 Hz, never held, composed", {24, Hold::Nowhere, true, 0}},
        {"60 Hz, never held, composed, frames of 25 ms", {60, Hold::Nowhere, true, 0.025}},
    };
    for (const auto& d : displays) {
        const PaceFigures f = MeasurePace(d.Display, 10);
        std::printf("simulated %s: frames %.3f of the refresh, %d refreshes shown twice in %d; ticks %.3f of 40; CPU %.2f ms a frame, %.2f of it drawing\n",
                    d.Name, static_cast<double>(f.Frames) / f.Refreshes, f.Repeats, f.Refreshes, f.Ticks / 400.0,
                    f.ThreadSeconds / f.Frames * 1000, f.DrawingSeconds / f.ThreadSeconds);
    }
}

// Seconds from CreateProcess until the saver's first frame, against bare_frame's.
void StartUp(const char* self, const char* scr)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string bareFrame(path, length);
    bareFrame.replace(bareFrame.find_last_of("\\/") + 1, std::string::npos, "bare_frame.exe");
    const std::string saverLine = "\"" + std::string(scr) + "\" /s", bareLine = "\"" + bareFrame + "\"";
    Middle screen;
    const int pairs = 11;
    std::vector<double> saver, bare, nothing;
    for (int pair = 0; pair < pairs; ++pair) {
        // Each goes first in every other pair, so that neither always follows the other.
        const bool saverFirst = pair % 2 == 0;
        if (saverFirst)
            saver.push_back(TimeToFirstFrame(screen, saverLine));
        bare.push_back(TimeToFirstFrame(screen, bareLine));
        if (!saverFirst)
            saver.push_back(TimeToFirstFrame(screen, saverLine));
        nothing.push_back(TimeToRunNothing(self));
    }
    const auto report = [&](const char* name, const std::vector<double>& times) {
        std::printf("%s: median %.0f ms of %d runs (min %.0f, max %.0f)\n", name, Median(times) * 1000, pairs,
                    *std::min_element(times.begin(), times.end()) * 1000, *std::max_element(times.begin(), times.end()) * 1000);
    };
    report("saver, start to first frame", saver);
    report("bare_frame, start to first frame", bare);
    report("start and end of a program that does nothing", nothing);
    std::vector<double> ratios;
    for (int pair = 0; pair < pairs; ++pair)
        ratios.push_back(saver[pair] / bare[pair]);
    std::printf("ratio saver/bare: %.2f of the medians, %.2f the median of the pairs\n", Median(saver) / Median(bare), Median(ratios));
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "--nothing")
        return 0;
    if (what.empty()) {
        std::fprintf(stderr, "usage: saver_bench PATH-OF-nimbrel.scr | --motion | --simulated\n");
        return 2;
    }
    if (what != "--motion" && what != "--simulated")
        StartUp(argv[0], argv[1]);
    if (what != "--simulated") {
        Motion("preview, defaults", true, false);
        Motion("preview, 1500 points of 1000 px", true, true);
        Motion("full screen, defaults", false, false);
        Motion("full screen, 1500 points of 1000 px", false, true);
    }
    if (what != "--motion")
        Simulated();
    return 0;
}
