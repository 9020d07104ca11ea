#include "saver/saver.h"
#include "scrnsave/scrnsave.h"
#include "settings/settings.h"
#include "tests/saver/preview.h"
#include "tests/scene/scene_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

std::vector<std::string> created;

LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        char name[64] = "";
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
        created.push_back(name);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST(HaloSprite, IsTheGreyProfileOfTheBitmapRowsFromTheTop)
{
    unsigned char sprite[4096];
    unsigned char bits[16384];
    ASSERT_TRUE(LoadHaloSprite(GetModuleHandleA(nullptr), sprite, bits));
    EXPECT_EQ(sprite[0], 0);
    EXPECT_EQ(sprite[4095], 0);
    EXPECT_EQ(sprite[1951], 253) << "row 30, column 31 is the brightest texel";
    for (int i = 0; i < 4096; ++i) {
        const int x = i % 64, y = i / 64;
        if (i != 1951) {
            EXPECT_LT(sprite[i], 253) << x << ", " << y;
        }
        if (x < 9 || x > 52 || y < 8 || y > 52) {
            EXPECT_EQ(sprite[i], 0) << x << ", " << y;
            continue;
        }
        const double r2 = (x - 30.75) * (x - 30.75) + (y - 29.75) * (y - 29.75);
        if (r2 < 20 * 20) {
            EXPECT_NEAR(sprite[i], 253 * std::exp(-r2 / (2 * 6.33 * 6.33)), 1.0) << x << ", " << y;
        }
    }
}

TEST_F(Preview, StoredSettingsReachTheSceneAndItsFramesFillTheHost)
{
    // One white point at the centre, 20 pixels across, turning about X.
    StoreOneWhitePoint();
    StoreSetting("Sizing", DWORD{2});
    StoreSetting("Size_Max", 20.0f);
    StoreSetting("Anim_RotX", DWORD{1});
    StoreSetting("RotX", 0.25f);

    RunPreview({{400, [&] {
        HWND saver = Saver();
        ASSERT_TRUE(saver);
        RECT hostClient, saverClient;
        GetClientRect(host_, &hostClient);
        GetClientRect(saver, &saverClient);
        EXPECT_EQ(saverClient.right, hostClient.right);
        EXPECT_EQ(saverClient.bottom, hostClient.bottom);

        EXPECT_EQ(GLScene.Data.PointCount, 1);
        EXPECT_EQ(GLScene.PointSize, 20.0f);
        EXPECT_NE(TimerName, 0u);
        EXPECT_GE(GLScene.Angle[0], 0.5f) << "the timer has turned the cloud, by half a degree a tick";

        // The context is current on this thread: draw a frame and read it back.
        DrawFrame(GLScene);
        unsigned char centre[4] = {}, corner[4] = {};
        glReadPixels(160, 120, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
        glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
        EXPECT_GT(centre[0] + centre[1] + centre[2], 300);
        EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
    }}});
    EXPECT_EQ(GLScene.hRC, nullptr) << "the context goes with the window";
    EXPECT_FALSE(Saver());
}

TEST_F(Preview, ATimerMessageOfAnyIdAdvancesTheScene)
{
    StoreSetting("Anim_RotY", DWORD{1});
    StoreSetting("RotY", 0.5f);
    RunPreview({{100, [&] {
        HWND saver = Saver();
        ASSERT_TRUE(saver);
        KillTimer(saver, TimerName);
        const float before = GLScene.Angle[1];
        SendMessageA(saver, WM_TIMER, 7, 0);
        EXPECT_EQ(GLScene.Angle[1], before + 1.0f);
        SendMessageA(saver, WM_TIMER, 1, 0);
        EXPECT_EQ(GLScene.Angle[1], before + 2.0f);
    }}});
}

TEST(Monitors, EachMonitorTheWindowReachesIsAViewportInWindowPixels)
{
    // Two monitors side by side, of different sizes, and one left of the primary.
    const RECT monitors[] = {{0, 0, 640, 480}, {640, 0, 1440, 600}, {-1024, 100, 0, 868}};
    RECT viewports[MAX_MONITORS];
    const RECT all = {-1024, 0, 1440, 868};
    ASSERT_EQ(MonitorViewports(all, monitors, 3, viewports, MAX_MONITORS), 3u);
    const RECT expected[] = {{1024, 0, 1664, 480}, {1664, 0, 2464, 600}, {0, 100, 1024, 868}};
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(EqualRect(&viewports[i], &expected[i])) << i;

    const RECT primary = {0, 0, 640, 480};
    ASSERT_EQ(MonitorViewports(primary, monitors, 3, viewports, MAX_MONITORS), 1u) << "monitors the window does not reach are left out";
    EXPECT_TRUE(EqualRect(&viewports[0], &primary));

    const RECT straddling = {600, 400, 700, 500};
    ASSERT_EQ(MonitorViewports(straddling, monitors, 3, viewports, MAX_MONITORS), 2u);
    const RECT parts[] = {{0, 0, 40, 80}, {40, 0, 100, 100}};
    EXPECT_TRUE(EqualRect(&viewports[0], &parts[0]));
    EXPECT_TRUE(EqualRect(&viewports[1], &parts[1]));

    EXPECT_EQ(MonitorViewports(all, monitors, 3, viewports, 2), 2u) << "never more than there is room for";
}

TEST(MonitorPower, OnlyOffStopsTheFrames)
{
    EXPECT_TRUE(MonitorsOffAfter(false, SC_MONITORPOWER, 2));
    EXPECT_TRUE(MonitorsOffAfter(false, SC_MONITORPOWER | 3, 2)) << "the low bits are the system's own";
    EXPECT_FALSE(MonitorsOffAfter(true, SC_MONITORPOWER, -1));
    EXPECT_FALSE(MonitorsOffAfter(true, SC_MONITORPOWER, 1)) << "low power still shows a picture";
    EXPECT_TRUE(MonitorsOffAfter(true, SC_SCREENSAVE, -1)) << "other commands change nothing";
    EXPECT_FALSE(MonitorsOffAfter(false, SC_CLOSE, 2));
}

TEST_F(Preview, WhileTheMonitorsAreOffTheSceneMovesButDrawsNothing)
{
    StoreSetting("Anim_RotZ", DWORD{1});
    StoreSetting("RotZ", 0.5f);
    StoreOneWhitePoint();
    RunPreview({{200, [&] {
        HWND saver = Saver();
        ASSERT_TRUE(saver);
        KillTimer(saver, TimerName);
        // Mark the buffer that frames are drawn into: any frame clears the red away.
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        auto drawnCorner = [] {
            unsigned char pixel[4] = {};
            glFinish();
            glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
            return std::vector<int>{pixel[0], pixel[1], pixel[2]};
        };
        ASSERT_EQ(drawnCorner(), (std::vector<int>{255, 0, 0}));

        SendMessageA(saver, WM_SYSCOMMAND, SC_MONITORPOWER, MONITOR_POWER_OFF);
        const float before = GLScene.Angle[2];
        for (int tick = 0; tick < 3; ++tick)
            SendMessageA(saver, WM_TIMER, ANIMATION_TIMER_ID, 0);
        EXPECT_EQ(GLScene.Angle[2], before + 3.0f) << "the scene goes on";
        EXPECT_EQ(drawnCorner(), (std::vector<int>{255, 0, 0})) << "no frame while the monitors are off";

        SendMessageA(saver, WM_SYSCOMMAND, SC_MONITORPOWER, -1);
        SendMessageA(saver, WM_TIMER, ANIMATION_TIMER_ID, 0);
        EXPECT_EQ(GLScene.Angle[2], before + 4.0f);
        EXPECT_EQ(drawnCorner(), (std::vector<int>{0, 0, 0})) << "frames again once they are on";
    }}});
}

TEST_F(Preview, WithoutAContextTheSaverClosesQuietly)
{
    const auto create = SceneCreateContext;
    SceneCreateContext = NoContext;
    // The host stays up for 5 s; the saver must end well before that on its own.
    const DWORD ran = RunPreview({{5000, [] {}}});
    SceneCreateContext = create;
    EXPECT_LT(ran, 4000u);
    EXPECT_TRUE(IsWindow(host_)) << "the saver closed itself, not its host";
    EXPECT_EQ(TimerName, 0u);
    EXPECT_EQ(GLScene.hRC, nullptr);
}

TEST(FullScreen, WithoutAContextTheSaverClosesQuietlyWithCodeZero)
{
    RegistrySandbox sandbox;
    for (const auto factory : {NoContext, StaleContext}) {
        SceneCreateContext = factory;
        created.clear();
        HHOOK hook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
        const ULONGLONG started = GetTickCount64();
        EXPECT_EQ(ScreenSaverMain(GetModuleHandleA(nullptr), "/s"), 0);
        EXPECT_LT(GetTickCount64() - started, 3000u);
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(std::count(created.begin(), created.end(), "WindowsScreenSaverClass"), 1);
        EXPECT_EQ(std::count(created.begin(), created.end(), "#32770"), 0) << "no message box";
        EXPECT_FALSE(IsWindow(hMainWindow));
        EXPECT_EQ(TimerName, 0u);
        EXPECT_EQ(GLScene.hRC, nullptr) << "a context that could not be made current is deleted";
        EXPECT_EQ(GLScene.hDC, nullptr);
    }
    SceneCreateContext = wglCreateContext;
}

TEST(PreviewHandle, OnlyAWindowIsEverUsedAsTheHost)
{
    HWND gone = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
    // A destroyed window, a handle of another kind, and this thread's own pseudo-handle.
    for (const HANDLE handle : {static_cast<HANDLE>(gone), static_cast<HANDLE>(bitmap), GetCurrentThread()}) {
        const std::string tail = "/p " + std::to_string(reinterpret_cast<std::uintptr_t>(handle));
        created.clear();
        HHOOK hook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
        EXPECT_EQ(ScreenSaverMain(GetModuleHandleA(nullptr), tail.c_str()), 0) << tail;
        UnhookWindowsHookEx(hook);
        EXPECT_TRUE(created.empty()) << tail << " made a " << created.front() << " window";
    }
    DeleteObject(bitmap);
}
