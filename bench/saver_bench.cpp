// saver_bench SCR-PATH [TESTS-PATH] | --motion | --simulated TESTS-PATH: how fast
// nimbrel.scr shows its first frame, and how its frames and ticks keep time.
// --motion and --simulated run only those parts; TESTS-PATH is nimbrel_test.exe.
//  - start-up: from CreateProcess of "SCR /s" until the middle of the screen is
//    lit, against bare_frame (beside this program), which draws the same first
//    frame and nothing else; the two start in turn, in pairs, and each gives the
//    median of its runs. A program that does nothing gives the cost of a process;
//  - motion: the saver run in this process for 10 s, in preview (152 x 112, as
//    Windows shows it) and full screen, at the defaults and at 1500 points of
//    1000 pixels: the scale it settled on, and from then on its ticks a second
//    against the nominal 40, its frames a second against the rate it paces them
//    at, the gaps between frames, and the CPU time the process takes;
//  - simulated: the tests' Pace test on a simulated display of each kind: the
//    preview's frames against the refresh, refreshes that showed no new frame,
//    and its ticks against 40 a second.
#include "saver/saver.h"
#include "scrnsave/scrnsave.h"
#include "settings/settings.h"

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
float lastScale;

void PresentCounted(HDC dc)
{
    SwapBuffers(dc);
    // What counts is how the saver runs at the scale it settles on.
    if (GLScene.FrameScale != lastScale)
        frameEnds.clear();
    frameEnds.push_back(SaverSeconds());
    lastTicks = AnimationClock.Ticks;
    lastCpu = ProcessSeconds();
    lastScale = GLScene.FrameScale;
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
    std::printf("%s: settled on scale %.2f; ticks %.1f a second (%.3f of 40); frames %.1f a second (%.3f of %.0f); gaps median %.1f ms, "
                "95th percentile %.1f ms; CPU %.0f ms a second, %.2f ms a frame\n",
                name, lastScale, ticks, ticks * TICK_SECONDS, frames / span, frames / span / frameRate, frameRate, gaps[gaps.size() / 2] * 1000,
                gaps[gaps.size() * 95 / 100] * 1000, cpu / span * 1000, cpu / frames * 1000);
}

// The tests' Pace test, which runs the saver's preview for 10 s on a simulated display of each
// kind, in a process of its own: its frames against the refresh, and its ticks against 40 a second.
void Simulated(const char* tests)
{
    const char* displays[] = {"59.94 swap composed 0", "59.94 first-drawing composed 0", "59.94 nowhere composed 0", "59.94 swap whole-hertz 0",
                              "59.94 first-drawing whole-hertz 0", "60 nowhere whole-hertz 0", "144 swap composed 0", "144 nowhere composed 0",
                              "30 first-drawing composed 0", "30 nowhere whole-hertz 0", "24 swap composed 0", "24 nowhere composed 0",
                              "60 nowhere composed 0.04"};
    for (const char* display : displays) {
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
        HANDLE reading, writing;
        CreatePipe(&reading, &writing, &inherited, 0);
        SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writing;
        SetEnvironmentVariableA("NIMBREL_DISPLAY", display);
        std::string line = "\"" + std::string(tests) + "\" --gtest_filter=Pace.* --gtest_brief=1";
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            std::fprintf(stderr, "cannot start %s: error %lu\n", tests, GetLastError());
            std::exit(1);
        }
        CloseHandle(writing);
        std::string output;
        char buffer[4096];
        DWORD read;
        while (ReadFile(reading, buffer, sizeof buffer, &read, nullptr) && read)
            output.append(buffer, read);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(reading);
        double ticks = 0, seconds = 0;
        int frames = 0, refreshes = 0, repeats = 0;
        const std::size_t at = output.find(std::string(display) + ":");
        if (at == std::string::npos || std::sscanf(output.c_str() + at + std::strlen(display), ": %lf ticks in %lf s, %d frames, %d refreshes, %d without",
                                                   &ticks, &seconds, &frames, &refreshes, &repeats) != 5) {
            std::printf("%s: no figures\n", display);
            continue;
        }
        std::printf("simulated %s: frames %.3f of the refresh, %d of %d refreshes without a new frame; ticks %.3f of 40 a second\n", display,
                    double(frames) / refreshes, repeats, refreshes, ticks / seconds * TICK_SECONDS);
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
    if (what.empty() || (what == "--simulated" && argc < 3)) {
        std::fprintf(stderr, "usage: saver_bench PATH-OF-nimbrel.scr [PATH-OF-nimbrel_test.exe] | --motion | --simulated PATH-OF-nimbrel_test.exe\n");
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
    if (argc > 2)
        Simulated(argv[2]);
    return 0;
}
