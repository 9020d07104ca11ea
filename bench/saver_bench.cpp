// saver_bench SCR-PATH: how fast nimbrel.scr shows its first frame, and how
// steadily its timer ticks.
//  - start-up: from CreateProcess of "SCR /s" until the middle of the screen is
//    lit, against bare_frame (beside this program), which draws the same first
//    frame and nothing else; the two start in turn, in pairs, and each gives the
//    median of its runs. A program that does nothing gives the cost of a process;
//  - tick rate: the saver run in preview inside this process for 10 s, its timer
//    messages counted, divided by the nominal 40 a second.
#include "saver/saver.h"
#include "scrnsave/scrnsave.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / frequency.QuadPart;
}

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
    const double start = Seconds();
    PROCESS_INFORMATION saver = Launch(commandLine);
    double lit = 0;
    while (Seconds() - start < 20) {
        if (screen.Lit()) {
            lit = Seconds() - start;
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
    const double start = Seconds();
    PROCESS_INFORMATION nothing = Launch("\"" + self + "\" --nothing");
    WaitForSingleObject(nothing.hProcess, INFINITE);
    CloseHandle(nothing.hProcess);
    return Seconds() - start;
}

int timerMessages;
double firstTick, lastTick, longestGap;

LRESULT CALLBACK CountTimers(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG& message = *reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && wParam == PM_REMOVE && message.message == WM_TIMER && message.hwnd != nullptr) {
        const double now = Seconds();
        if (timerMessages++)
            longestGap = std::max(longestGap, now - lastTick);
        else
            firstTick = now;
        lastTick = now;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK EndPreview(HWND host, UINT, UINT_PTR, DWORD)
{
    DestroyWindow(host);
}

double TickRatio(double seconds)
{
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, CountTimers, nullptr, GetCurrentThreadId());
    SetTimer(host, 99, static_cast<UINT>(seconds * 1000), EndPreview);
    const std::string tail = "/p " + std::to_string(reinterpret_cast<std::uintptr_t>(host));
    ScreenSaverMain(GetModuleHandleA(nullptr), tail.c_str());
    UnhookWindowsHookEx(hook);
    // From the first tick to the last: the steady rate, without the start-up.
    return (timerMessages - 1) / ((lastTick - firstTick) * 1000.0 / ANIMATION_PERIOD_MS);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--nothing")
        return 0;
    if (argc < 2) {
        std::fprintf(stderr, "usage: saver_bench PATH-OF-nimbrel.scr\n");
        return 2;
    }
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string bareFrame(self, length);
    bareFrame.replace(bareFrame.find_last_of("\\/") + 1, std::string::npos, "bare_frame.exe");
    const std::string saverLine = "\"" + std::string(argv[1]) + "\" /s", bareLine = "\"" + bareFrame + "\"";
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
        nothing.push_back(TimeToRunNothing(argv[0]));
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
    const double ratio = TickRatio(10.0);
    std::printf("tick rate over 10 s: %.3f of 40 a second (%d ticks, longest gap %.1f ms)\n", ratio, timerMessages, longestGap * 1000);
    return 0;
}
