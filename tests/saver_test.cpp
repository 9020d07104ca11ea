#include "tests/support.h"

namespace {

TEST(CommandLine, TheFirstModeLetterDecidesAndItsHandleFollows)
{
    const struct { const char* Tail; SaverMode Mode; std::uint64_t Window; } cases[] = {
        {"-S", SaverMode::FullScreen, 0},        {"/x /s /c", SaverMode::FullScreen, 0}, {"xyz", SaverMode::Configure, 0},
        {"/c:456", SaverMode::Configure, 456},   {"/C \t456", SaverMode::Configure, 456}, {"/A 789", SaverMode::ChangePassword, 0},
        {"12 /p 5", SaverMode::Preview, 5},      {"/P\t123", SaverMode::Preview, 123},    {"/p:123", SaverMode::Preview, 0},
        {"/p 18446744073709551616", SaverMode::Preview, 0},  // past 64 bits: no window
        {"\xC0\xE9\xF3P 7", SaverMode::Preview, 7},           // bytes above 127 are no letters
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseCommandLine(c.Tail).Mode, c.Mode) << '"' << c.Tail << '"';
        EXPECT_EQ(ParseCommandLine(c.Tail).Window, c.Window) << '"' << c.Tail << '"';
    }
}

TEST(Saver, InputEndsTheFullScreenSaverAndNothingElseGetsPastIt)
{
    // Keys, buttons and the wheel end it; a move or a loss of activation, once the cursor has moved.
    const struct { UINT Message; WPARAM WParam; Ending Ends; } endings[] = {{WM_KEYDOWN, 0, Ending::Yes}, {WM_SYSKEYDOWN, 0, Ending::Yes},
        {WM_LBUTTONDOWN, 0, Ending::Yes}, {WM_RBUTTONDOWN, 0, Ending::Yes}, {WM_MBUTTONDOWN, 0, Ending::Yes}, {WM_XBUTTONDOWN, 0, Ending::Yes},
        {WM_MOUSEWHEEL, 0, Ending::Yes}, {WM_MOUSEHWHEEL, 0, Ending::Yes}, {WM_MOUSEMOVE, 0, Ending::IfMoved}, {WM_KEYUP, 0, Ending::No},
        {WM_ACTIVATEAPP, FALSE, Ending::IfMoved}, {WM_ACTIVATEAPP, TRUE, Ending::No}, {WM_NCACTIVATE, FALSE, Ending::IfMoved},
        {WM_NCACTIVATE, TRUE, Ending::No}, {WM_ACTIVATE, WA_INACTIVE, Ending::IfMoved}, {WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), Ending::No}};
    for (const auto& e : endings)
        EXPECT_EQ(EndingOf(e.Message, e.WParam), e.Ends) << e.Message << ", " << e.WParam;
    // Up to 4 pixels, across and down together, is a hand's tremor.
    const struct { POINT From, To; bool Moved; } moves[] = {{{0, 0}, {2, 2}, false}, {{0, 0}, {3, 2}, true}, {{10, 10}, {6, 10}, false}, {{-1, -1}, {-1, -6}, true}};
    for (const auto& m : moves)
        EXPECT_EQ(CursorMoved(m.From, m.To), m.Moved) << m.To.x << ", " << m.To.y;
    // A preview's messages all go to it. Full screen, system commands that would switch away or start
    // another saver go nowhere, and once it is closing its ticks go nowhere and input and paints past it.
    const struct { bool Preview, Closing; UINT Message; WPARAM WParam; Route To; } routes[] = {{true, true, WM_SYSCOMMAND, SC_CLOSE, Route::Saver},
        {true, true, WM_TIMER, 0, Route::Saver}, {false, false, WM_SYSCOMMAND, SC_CLOSE | 2, Route::Swallow}, {false, false, WM_SYSCOMMAND, SC_NEXTWINDOW, Route::Swallow},
        {false, false, WM_SYSCOMMAND, SC_PREVWINDOW, Route::Swallow}, {false, false, WM_SYSCOMMAND, SC_SCREENSAVE | 1, Route::Swallow},
        {false, false, WM_SYSCOMMAND, SC_MONITORPOWER, Route::Saver}, {false, false, WM_TIMER, 0, Route::Saver}, {false, true, WM_TIMER, 0, Route::Swallow},
        {false, false, WM_KEYDOWN, 0, Route::Saver}, {false, true, WM_KEYDOWN, 0, Route::Default}, {false, true, WM_CHAR, 0, Route::Default},
        {false, true, WM_MOUSEMOVE, 0, Route::Default}, {false, true, WM_MOUSEHWHEEL, 0, Route::Default}, {false, true, WM_PAINT, 0, Route::Default},
        {false, true, WM_SIZE, 0, Route::Saver}, {false, true, SCRM_FRAME, 0, Route::Swallow}, {true, true, SCRM_FRAME, 0, Route::Saver}};
    for (const auto& r : routes)
        EXPECT_EQ(RouteMessage(r.Preview, r.Closing, r.Message, r.WParam), r.To) << r.Message << ", " << r.WParam << (r.Closing ? ", closing" : "");
}

HGLRC WINAPI NoContext(HDC) { return nullptr; }
// A handle that no context has, so that making it current fails.
HGLRC WINAPI StaleContext(HDC) { return reinterpret_cast<HGLRC>(static_cast<std::uintptr_t>(0x7ff0)); }

TEST(Saver, WithoutAHostOrAContextTheSaverEndsAtOnceAndLetsGoOfTheDeviceContext)
{
    // A message box, or a saver that stays, would hold the test until its time is up.
    const struct { std::string Tail; HGLRC(WINAPI* Context)(HDC); } cases[] = {{"/p 0", wglCreateContext}, {"/p junk", wglCreateContext},
        {"/a", wglCreateContext}, {"/p " + HandleText(GoneWindow()), wglCreateContext}, {"/p " + HandleText(CreateBitmap(8, 8, 1, 32, nullptr)), wglCreateContext},
        {"/s", NoContext}, {"/s", StaleContext}};
    for (const auto& c : cases) {
        SceneCreateContext = c.Context;
        EXPECT_EQ(ScreenSaverMain(GetModuleHandleA(nullptr), c.Tail.c_str()), 0) << c.Tail;
        EXPECT_TRUE(c.Tail == "/s" ? !IsWindow(hMainWindow) : hMainWindow == nullptr) << c.Tail << " left a saver window";
        EXPECT_EQ(GLScene.hDC, nullptr) << c.Tail;
    }
}

TEST(Saver, EachMonitorThatTheWindowCoversGetsAViewOfItsOwn)
{
    // A window from (-100, -50) over a monitor at the virtual screen's origin and one to its right
    // at twice the scale; a third lies outside it. Views are in the window's pixels, as many as fit.
    const SceneView monitors[] = {{{-100, -50, 540, 430}, 1}, {{540, -50, 1340, 550}, 2}, {{1400, 0, 1500, 100}, 1}};
    const RECT window = {-100, -50, 1340, 550};
    const RECT left = {0, 0, 640, 480}, right = {640, 0, 1440, 600};
    SceneView views[3] = {};
    ASSERT_EQ(MonitorViewports(window, monitors, 3, views, 3), 2u);
    EXPECT_TRUE(EqualRect(&views[0].Area, &left) && views[0].Scale == 1 && EqualRect(&views[1].Area, &right) && views[1].Scale == 2);
    EXPECT_EQ(MonitorViewports(window, monitors, 3, views, 1), 1u);
}

TEST(Saver, FramesComeAtTheDisplaysRateAndKeepAnEvenPace)
{
    // The refresh, or 60 where it reads 0 or 1; on battery at most 60, as a whole share of the refresh.
    const struct { unsigned Refresh; bool Battery; double Rate; } rates[] = {{0, false, 60}, {1, false, 60}, {59, false, 59}, {144, false, 144},
        {0, true, 60}, {60, true, 60}, {61, true, 30.5}, {30, true, 30}, {120, true, 60}, {144, true, 48}, {75, true, 37.5}, {240, true, 60}};
    for (const auto& r : rates)
        EXPECT_EQ(FrameRate(r.Refresh, r.Battery), r.Rate) << r.Refresh << (r.Battery ? " Hz on battery" : " Hz");
    // A frame shows its due time unless it starts a whole frame late. The next is due a frame after
    // it, or as soon as its present ends when that took over half a frame: a wait for the display.
    const double P = 0.0625;
    const struct { double Due, Start, Present, End, Shown, Next; } frames[] = {{1, 1, 0.001, 1.01, 1, 1.0625}, {1, 1.03125, 0.001, 1.04, 1, 1.0625},
        {1, 1.0625, 0.001, 1.07, 1.0625, 1.125}, {1, 4, 0.001, 4.01, 4, 4.0625}, {1, 1, 0.04, 1.05, 1, 1.05}, {1, 1, 0.03125, 1.04, 1, 1.0625}};
    for (const auto& f : frames) {
        const double shown = FrameTime(f.Due, f.Start, P);
        EXPECT_TRUE(shown == f.Shown && NextFrameTime(shown, P, PresentWaited(f.Present, P), f.End) == f.Next) << f.Start << ", " << f.Present;
    }
}

TEST(Saver, EachFrameRunsTheTickThatCameDueAndShowsTheSceneAtItsOwnTime)
{
    // Frames at these gaps for 10 s, with one longer gap half way. At 40 a second or more there
    // are 400 ticks, however bunched the frames; slower, or across the long gap, one a frame.
    const struct { const char* Name; std::vector<double> Gaps; double Long, Ticks, Within; } runs[] = {
        {"60 a second", {1 / 60.0}, 0, 400, 1}, {"40 a second", {0.025}, 0, 400, 1}, {"a coarse timer's 64 a second", {0.015625}, 0, 400, 1},
        {"two at once, 32 times a second", {0, 0.03125}, 0, 400, 2}, {"10 a second", {0.1}, 0, 100, 1},
        {"60 a second, one 60 ms late", {1 / 60.0}, 0.06, 401, 1}, {"60 a second, and 3 s held", {1 / 60.0}, 3, 401, 1}};
    for (const auto& run : runs) {
        std::vector<double> times;
        for (double t = 0; t < 10 + 1e-9; t += run.Gaps[times.size() % run.Gaps.size()])
            times.push_back(1000 + t + (t >= 5 ? run.Long : 0));
        TickClock clock = {};
        double shown = 0;
        for (std::size_t k = 0; k < times.size(); ++k) {
            const FrameStep step = StepForFrame(clock, times[k]);
            ASSERT_TRUE(step.Share >= 0 && step.Share <= 1 && step.Clock.Ticks == clock.Ticks + step.Tick) << run.Name;
            // Where the frame shows the scene, in ticks: never back, never ahead of the time passed, at most two ticks on.
            const double at = step.Clock.Ticks - 1.0 + step.Share, passed = k ? (times[k] - times[k - 1]) / TICK_SECONDS : 0;
            EXPECT_TRUE(!k || (at > shown - 1e-6 && at < shown + std::min(2.0, passed) + 1e-6)) << run.Name << ", frame " << k << ": " << shown << " to " << at;
            std::tie(clock, shown) = std::tuple{step.Clock, at};
        }
        EXPECT_NEAR(double(clock.Ticks), run.Ticks, run.Within) << run.Name;
    }
}

TEST(Saver, AKeyEndsTheSaverBeforeItsNextFrameHoweverSlowFramesAre)
{
    // The defaults' halos of 600 pixels, as polygons: far slower than a refresh under llvmpipe.
    bool pressed = false;
    RunSaver("/s", [&](HWND saver) {
        frames.OnAsk = [&, saver] {
            if (!pressed && frames.Drawn == 1)
                pressed = PostMessageA(saver, WM_KEYDOWN, VK_SPACE, 0);  // while the second frame is drawn
        };
        return false;
    });
    EXPECT_GT(frames.Slowest, 1 / 60.0) << "frames were not slow";
    EXPECT_TRUE(pressed && frames.Drawn == 2) << frames.Drawn << " frames, the second with the key";
}

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT area, LPARAM monitors) { reinterpret_cast<std::vector<RECT>*>(monitors)->push_back(*area); return TRUE; }

// Run also on two monitors of different heights.
TEST(Saver, ThePreviewIsItsMonitorShrunkToItsHeightWhereverItIsAndDrawsAtTheDisplaysPace)
{
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    const double dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSX) / 96.0;  // Wine's, on every monitor
    std::size_t next = 0;
    int drawn = -1;
    double first = SaverSeconds(), since = 0, busy = 0;
    // Windows' own preview is about 152 x 112, on monitors of every shape. Its host goes to each monitor in turn.
    RunSaver("/p", [&](HWND saver) {
        if (frames.Drawn <= drawn)
            return false;
        if (next) {
            EXPECT_FLOAT_EQ(GLScene.Views[0].Scale, dpi * 112 / (monitors[next - 1].bottom - monitors[next - 1].top)) << "on monitor " << next;
        }
        if (next < monitors.size()) {
            SetWindowPos(GetParent(saver), nullptr, monitors[next].left + 40, monitors[next].top + 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            std::tie(next, drawn, since, busy) = std::tuple{next + 1, frames.Drawn, SaverSeconds(), ThreadSeconds()};
            return false;
        }
        // Then, once the saver has read the display's rate again, as it does each second, frames for
        // half a second, with the steps of the test, one in three frames, for its only messages.
        if (SaverSeconds() - first < 1.5)
            std::tie(drawn, since, busy) = std::tuple{frames.Drawn, SaverSeconds(), ThreadSeconds()};
        const double passed = SaverSeconds() - since, expected = SaverFrameRate(saver) * passed;
        if (passed < 0.5)
            return false;
        EXPECT_TRUE(frames.Drawn - drawn > expected / 2 && frames.Drawn - drawn <= expected + 1) << frames.Drawn - drawn << " frames in " << passed << " s";
        EXPECT_LT(ThreadSeconds() - busy, passed / 5) << "the saver kept busy between frames";
        return true;
    }, {152, 112});
}

// What Windows sends when the display's state changes: 0 off, 1 on, 2 dimmed.
struct DisplayState { GUID PowerSetting; DWORD DataLength, Data; };

TEST(Saver, WhileTheMonitorsAreOffNothingIsDrawnOrTickedAndTheSaverSleeps)
{
    // A monitor-power command or a change of the display's state says whether they are off.
    DisplayState states[4] = {{GUID_CONSOLE_DISPLAY_STATE, 4, 0}, {GUID_CONSOLE_DISPLAY_STATE, 4, 1}, {GUID_CONSOLE_DISPLAY_STATE, 4, 2}, {GUID_ACDC_POWER_SOURCE, 4, 0}};
    const struct { UINT Message; WPARAM WParam; LPARAM LParam; bool Off; } steps[] = {
        {WM_SYSCOMMAND, SC_MONITORPOWER, MONITOR_POWER_OFF, true},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&states[1]), false},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&states[0]), true},
        {WM_SYSCOMMAND, SC_MONITORPOWER, -1, false},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&states[2]), false},
        {WM_SYSCOMMAND, SC_MONITORPOWER, 1, false},                     // low power still shows
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&states[3]), false},  // another setting
        {WM_POWERBROADCAST, SC_MONITORPOWER, MONITOR_POWER_OFF, false},  // only a system command's
        {WM_SYSCOMMAND, SC_MONITORPOWER | 3, MONITOR_POWER_OFF, true},  // the low four bits are Windows' own
        {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, true},           // no setting, and nothing to read
    };
    bool off = false;
    for (const auto& step : steps)
        EXPECT_EQ(off = MonitorsOffAfter(off, step.Message, step.WParam, step.LParam), step.Off) << "after message " << step.Message << ", " << step.LParam;

    // The full-screen saver, off for a while and on again.
    StoreRecord(WhitePoints(1, 20));
    StoreSetting("Anim_RotZ", DWORD{1});
    int phase = 0, drawn = 0;
    double since = 0, busy = 0;
    float angle = 0;
    std::uint64_t ticks = 0;
    RunSaver("/s", [&](HWND saver) {
        if (phase == 0) {
            SendMessageA(saver, WM_SYSCOMMAND, SC_MONITORPOWER, MONITOR_POWER_OFF);
            std::tie(since, busy, ticks, angle, drawn, phase) = std::tuple{SaverSeconds(), ThreadSeconds(), AnimationClock.Ticks, GLScene.Angle[2], frames.Drawn, 1};
        } else if (phase == 1 && SaverSeconds() - since > 0.3) {
            EXPECT_TRUE(frames.Drawn == drawn && AnimationClock.Ticks == ticks) << "drawn or ticked with the monitors off";
            EXPECT_LT(ThreadSeconds() - busy, (SaverSeconds() - since) / 5) << "the saver kept busy with the monitors off";
            SendMessageA(saver, WM_SYSCOMMAND, SC_MONITORPOWER, -1);
            phase = 2;
        } else if (phase == 2 && frames.Drawn > drawn) {
            // On again, the cloud goes on from where it stopped, a tick of twice RotZ a frame at the most.
            const auto ran = AnimationClock.Ticks - ticks;
            EXPECT_TRUE(ran > 0 && ran <= std::uint64_t(frames.Drawn - drawn) && GLScene.Angle[2] == angle + 0.5f * ran) << ran << " ticks";
            return true;
        }
        return false;
    });
}

// Run also at 192 DPI.
TEST(Saver, HaloSizesAreInUnitsOf96DpiAndThePreviewIsTheScreenShrunkAndIgnoresInput)
{
    StoreRecord(WhitePoints(1, 192));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN), SHRINK = 8;
    std::vector<std::uint8_t> screen, preview;
    RunSaver("/s", [&](HWND saver) {
        // What the background brush paints over is drawn again at once: the halo's lit middle.
        RedrawWindow(saver, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC desktop = GetDC(nullptr);
        EXPECT_GT(GetRValue(GetPixel(desktop, screenWidth / 2, screenHeight / 2)), 200) << "black until the next frame";
        ReleaseDC(nullptr, desktop);
        screen = SaverPixels(saver);
        EXPECT_TRUE(GetWindowLongA(saver, GWL_EXSTYLE) & WS_EX_TOPMOST);
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        SendMessageA(saver, WM_SETCURSOR, reinterpret_cast<WPARAM>(saver), HTCLIENT);
        SendMessageA(saver, WM_ACTIVATEAPP, FALSE, 0);
        MSG closing;
        EXPECT_FALSE(GetCursor() || PeekMessageA(&closing, saver, WM_CLOSE, WM_CLOSE, PM_NOREMOVE)) << "a cursor, or an end without a move";
        return true;
    });
    RunSaver("/p", [&](HWND saver) {
        preview = SaverPixels(saver);
        for (UINT input : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_MOUSEWHEEL, WM_MOUSEMOVE})
            SendMessageA(saver, input, 0, MAKELPARAM(200, 200));
        MSG closing;
        EXPECT_FALSE(PeekMessageA(&closing, saver, WM_CLOSE, WM_CLOSE, PM_NOREMOVE)) << "input ended the preview";
        return true;
    }, {screenWidth / SHRINK, screenHeight / SHRINK});
    EXPECT_EQ(GLScene.hRC, nullptr) << "the scene went with its host";
    // Without a height to go by, a preview keeps its monitor's own scale.
    EXPECT_TRUE(PreviewScale(144, 0, 768) == 1.5f && PreviewScale(144, 96, 0) == 1.5f && PreviewScale(96, 96, -5) == 1.0f);
    ASSERT_EQ(screen.size(), preview.size() * SHRINK * SHRINK) << "the preview fills its host";

    // Full screen, an untinted halo of size 192 is 192 x DPI / 96 pixels across.
    const std::vector<unsigned char> sprite = Halo();
    const double texels = std::count_if(sprite.begin(), sprite.end(), [](unsigned char level) { return level > 0; });
    const double scale = GetDeviceCaps(GetDC(nullptr), LOGPIXELSX) / 96.0 * 192 / SPRITE_SIDE, expected = texels * scale * scale;
    double lit = 0;
    for (std::size_t i = 0; i < screen.size(); i += 3)
        lit += screen[i] > 0;
    EXPECT_NEAR(lit, expected, 0.1 * expected);

    // Each preview pixel against the mean of the screen's block of 8 x 8 that it stands for.
    double miss = 0;
    for (std::size_t i = 0; i < preview.size(); ++i) {
        const std::size_t x = i / 3 % (screenWidth / SHRINK), y = i / 3 / (screenWidth / SHRINK);
        double block = 0;
        for (int d = 0; d < SHRINK * SHRINK; ++d)
            block += screen[3 * ((y * SHRINK + d / SHRINK) * screenWidth + x * SHRINK + d % SHRINK) + i % 3];
        miss += std::fabs(block / SHRINK / SHRINK - preview[i]) / preview.size();
    }
    EXPECT_LT(miss, 2);
}

}  // namespace
