#include "tests/support.h"

namespace {

TEST(CommandLine, TheFirstModeLetterDecidesAndItsHandleFollows)
{
    // Digits past 64 bits name no window, and bytes above 127 are no letters.
    const struct { const char* Tail; SaverMode Mode; std::uint64_t Window; } cases[] = {{"-S", SaverMode::FullScreen, 0},
        {"/x /s /c", SaverMode::FullScreen, 0}, {"xyz", SaverMode::Configure, 0}, {"/c:456", SaverMode::Configure, 456}, {"/C \t456", SaverMode::Configure, 456},
        {"/A 789", SaverMode::ChangePassword, 0}, {"12 /p 5", SaverMode::Preview, 5}, {"/P\t123", SaverMode::Preview, 123}, {"/p:123", SaverMode::Preview, 0},
        {"/p 18446744073709551616", SaverMode::Preview, 0}, {"\xC0\xE9\xF3P 7", SaverMode::Preview, 7}};
    for (const auto& c : cases)
        EXPECT_EQ(std::pair(ParseCommandLine(c.Tail).Mode, ParseCommandLine(c.Tail).Window), std::pair(c.Mode, c.Window)) << '"' << c.Tail << '"';
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
        {false, true, WM_SIZE, 0, Route::Saver}};
    for (const auto& r : routes)
        EXPECT_EQ(RouteMessage(r.Preview, r.Closing, r.Message, r.WParam), r.To) << r.Message << ", " << r.WParam << (r.Closing ? ", closing" : "");
}

HGLRC WINAPI NoContext(HDC) { return nullptr; }
// A handle that no context has, so that making it current fails.
HGLRC WINAPI StaleContext(HDC) { return reinterpret_cast<HGLRC>(static_cast<std::uintptr_t>(0x7ff0)); }

TEST(Saver, WithoutAHostOrAContextTheSaverEndsAtOnceAndLetsGoOfTheDeviceContext)
{
    // A message box, or a saver that stays, would hold the test until its time is up.
    const struct { std::string Tail; HGLRC(WINAPI* Context)(HDC) = wglCreateContext; } cases[] = {{"/p 0"}, {"/p junk"}, {"/a"},
        {"/p " + HandleText(GoneWindow())}, {"/p " + HandleText(CreateBitmap(8, 8, 1, 32, nullptr))}, {"/s", NoContext}, {"/s", StaleContext}};
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
    const RECT window = {-100, -50, 1340, 550}, left = {0, 0, 640, 480}, right = {640, 0, 1440, 600};
    SceneView views[3] = {};
    ASSERT_EQ(MonitorViewports(window, monitors, 3, views, 3), 2u);
    EXPECT_TRUE(EqualRect(&views[0].Area, &left) && views[0].Scale == 1 && EqualRect(&views[1].Area, &right) && views[1].Scale == 2);
    EXPECT_EQ(MonitorViewports(window, monitors, 3, views, 1), 1u);
}

TEST(Saver, TheDisplaysClockIsTheCompositorsElseItsWholeHertz)
{
    // The compositor's, at 10 MHz: its period, else its rate; its blank while it is recent. 0: none.
    const LONGLONG NOW = 50'000'000, MHZ10 = 10'000'000;
    const struct { ULONGLONG Period; UINT Numerator, Denominator; ULONGLONG Blank; LONGLONG PerSecond; double Expected; bool Blanks; } composed[] = {
        {166'833, 60, 1, NOW - 50'000, MHZ10, 0.0166833, true}, {0, 60'000, 1'001, NOW - 50'000, MHZ10, 1001 / 60000.0, true},
        {166'833, 0, 0, 0, MHZ10, 0.0166833, false}, {166'833, 0, 0, NOW - 20'000'000, MHZ10, 0.0166833, false},
        {166'833, 0, 0, NOW + 200'000, MHZ10, 0.0166833, false}, {0, 0, 0, NOW, MHZ10, 0, false}, {1'000'000'000, 0, 1, NOW, MHZ10, 0, false},
        {166'833, 60, 1, NOW, 0, 0, false}};
    for (const auto& c : composed) {
        DWM_TIMING_INFO timing = {};
        std::tie(timing.qpcRefreshPeriod, timing.rateRefresh.uiNumerator, timing.rateRefresh.uiDenominator, timing.qpcVBlank) = std::tuple{c.Period, c.Numerator, c.Denominator, c.Blank};
        const auto clock = CompositionClock(timing, c.PerSecond, NOW);
        ASSERT_EQ(clock.has_value(), c.Expected != 0) << c.Period << ", " << c.Numerator << "/" << c.Denominator;
        EXPECT_TRUE(!clock || (clock->Period == c.Expected && clock->Blanks == c.Blanks && (!c.Blanks || clock->Blank == (NOW - 50'000) / 1e7)))
            << c.Period << ", blank " << c.Blank;
    }
    // Whole hertz, or 60 where it reads 0 or 1, without blanks.
    for (const auto& [hertz, period] : {std::pair{0u, 1 / 60.0}, {1u, 1 / 60.0}, {2u, 1 / 2.0}, {59u, 1 / 59.0}, {144u, 1 / 144.0}})
        EXPECT_TRUE(RefreshClock(hertz).Period == period && !RefreshClock(hertz).Blanks) << hertz;
    // On battery at most 60 frames a second, as a whole share of the refresh.
    const struct { double Period; bool Battery; unsigned Refreshes; } shares[] = {{1 / 60.0, true, 1}, {1001 / 60000.0, true, 1}, {1 / 61.0, true, 2},
        {1 / 75.0, true, 2}, {1 / 144.0, true, 3}, {1 / 240.0, true, 4}, {1 / 30.0, true, 1}, {1 / 144.0, false, 1}};
    for (const auto& r : shares)
        EXPECT_EQ(RefreshesPerFrame(r.Period, r.Battery), r.Refreshes) << 1 / r.Period << (r.Battery ? " Hz on battery" : " Hz");
}

TEST(Saver, FramesStartAfterTheBlanksElseAtOnceWhileTheDisplayHoldsThemElseOnTheLoopsTimer)
{
    // Starts, in refreshes of 1/64 s; for each, the moment the frame shows and when the next is due, where not at its start.
    const double R = 1 / 64.0;
    struct Frame { double Start, Time = -1, Due = -1; };
    const struct { const char* Name; DisplayClock Clock; unsigned Refreshes; std::vector<Frame> Frames; } runs[] = {
        // A quarter of a refresh after the blank that ends the last frame's refreshes; each shows the blank it started after.
        {"blanks", {R, true, 0}, 1, {{0.1, 0, 1.25}, {1.3, 1, 2.25}, {3.5, 3, 4.25}, {4.9, 4, 5.25}, {5.25, 5, 6.25}}},
        {"blanks, a frame every third refresh", {R, true, 0}, 3, {{0.3, 0, 3.25}, {3.25, 3, 6.25}, {7, 7, 10.25}}},
        // Unknown blanks: at once while frames come round in a refresh; a queue may take a few at once.
        {"held", {R, false, 0}, 1, {{10}, {11}, {11.1}, {11.2}, {12.2}, {12.3}, {12.4}, {12.5}, {12.6}, {12.7}, {12.8}, {12.9}}},
        // Eight in a row that come round in under 0.9 of a refresh: the loop's own timer. A frame shows
        // its due time unless a whole period late.
        {"not held", {R, false, 0}, 1, {{10}, {10.8}, {11.6}, {12.4}, {13.2}, {14}, {14.8}, {15.6}, {16.4, 16.4, 17.4}, {17.9, 17.4, 18.4}, {19.6, 19.6, 20.6}}},
    };
    for (const auto& run : runs) {
        FramePacer pacer;
        SetDisplayClock(pacer, run.Clock, run.Refreshes);
        for (const Frame& f : run.Frames) {
            EXPECT_LE(FrameDue(pacer), f.Start * R) << run.Name;
            EXPECT_DOUBLE_EQ(StartFrame(pacer, f.Start * R), (f.Time < 0 ? f.Start : f.Time) * R) << run.Name << ", at " << f.Start;
            EXPECT_DOUBLE_EQ(FrameDue(pacer), (f.Due < 0 ? f.Start : f.Due) * R) << run.Name << ", after " << f.Start;
        }
    }
    // A new period is a new display: it is asked again whether it holds frames. Blanks that come with a
    // clock read again take the next frame at once, whatever the last one's time.
    FramePacer pacer;
    SetDisplayClock(pacer, RefreshClock(64), 1);
    for (int k = 0; k < 9; ++k)
        StartFrame(pacer, k * R / 10);
    SetDisplayClock(pacer, RefreshClock(30), 1);
    EXPECT_TRUE(pacer.DisplayPaces && FrameDue(pacer) == 0.8 * R);
    SetDisplayClock(pacer, {R, true, 0.5 * R}, 1);
    EXPECT_TRUE(FrameDue(pacer) == 1.75 * R && StartFrame(pacer, 1.75 * R) == 1.5 * R);
}

TEST(Saver, EachFrameRunsTheTicksThatCameDueAndShowsTheSceneAtItsOwnTime)
{
    // Frames at these gaps for 10 s, on a display that shows one every period, with one longer gap
    // half way. 400 ticks as long as frames keep up; slower, or across the long gap, at most a tick
    // a frame, or a period where that is longer.
    const struct { const char* Name; std::vector<double> Gaps; double Period, Long, Ticks; } runs[] = {
        {"60 a second", {1 / 60.0}, 1 / 60.0, 0, 400}, {"40 a second", {0.025}, 0.025, 0, 400}, {"144 a second", {1 / 144.0}, 1 / 144.0, 0, 400},
        {"30 a second", {1 / 30.0}, 1 / 30.0, 0, 400}, {"24 a second", {1 / 24.0}, 1 / 24.0, 0, 400}, {"37.5 a second", {1 / 37.5}, 1 / 37.5, 0, 400},
        {"30 a second, 4 ms either way", {1 / 30.0 - 0.004, 1 / 30.0 + 0.004}, 1 / 30.0, 0, 400},
        {"a coarse timer's 64 a second", {0.015625}, 1 / 60.0, 0, 400}, {"two at once, 32 times a second", {0, 0.03125}, 1 / 60.0, 0, 400},
        {"10 a second at 60 Hz", {0.1}, 1 / 60.0, 0, 100}, {"10 a second at 24 Hz", {0.1}, 1 / 24.0, 0, 100 * 40 / 24.0},
        {"60 a second, one 60 ms late", {1 / 60.0}, 1 / 60.0, 0.06, 400}, {"60 a second, and 3 s held", {1 / 60.0}, 1 / 60.0, 3, 400}};
    for (const auto& run : runs) {
        std::vector<double> times;
        for (double t = 0; t < 10 + 1e-9; t += run.Gaps[times.size() % run.Gaps.size()])
            times.push_back(1000 + t + (t >= 5 ? run.Long : 0));
        TickClock clock = {};
        double shown = 0;
        const double most = std::max(TICK_SECONDS, run.Period) * 1.25 / TICK_SECONDS;
        for (std::size_t k = 0; k < times.size(); ++k) {
            const FrameStep step = StepForFrame(clock, times[k], run.Period);
            ASSERT_TRUE(step.Share >= 0 && step.Share <= 1 && step.Clock.Ticks == clock.Ticks + step.Ticks) << run.Name;
            // Where the frame shows the scene, in ticks: never back, never ahead of the time passed, and no further than a frame may move it.
            const double at = step.Clock.Ticks - 1.0 + step.Share, passed = k ? (times[k] - times[k - 1]) / TICK_SECONDS : 0;
            EXPECT_TRUE(!k || (at > shown - 1e-6 && at < shown + std::min(most, passed) + 1e-6)) << run.Name << ", frame " << k << ": " << shown << " to " << at;
            std::tie(clock, shown) = std::tuple{step.Clock, at};
        }
        EXPECT_NEAR(double(clock.Ticks), run.Ticks, 1) << run.Name;
    }
}

TEST(Saver, FramesThatComeLateAreDrawnSmallerAtOnceAndLargerOnlyWithRoomToSpareForSeconds)
{
    // Runs of frames at 60 Hz: how many, each after how many periods, and the periods each took
    // to draw where that was measured, the runs given as many times as they are to come. Scales
    // step by a fourth root of 2, down to a quarter.
    const double P = 1 / 60.0, unknown = -1;
    const struct { const char* Name; float From, Largest; std::vector<std::tuple<int, double, double>> Frames; float Scale; int Times = 1; } runs[] = {
        {"keeping up", 1, 1, {{600, 1, unknown}}, 1}, {"late once, and held 3 s", 1, 1, {{60, 1, unknown}, {1, 1.3, unknown}, {60, 1, unknown}, {1, 180, unknown}, {60, 1, unknown}}, 1},
        {"late every other frame for a second", 1, 1, {{1, 1.3, unknown}, {1, 1, unknown}}, 1, 30}, {"late once in 5 frames", 1, 1, {{1, 2, unknown}, {4, 1, unknown}}, 1, 10},
        {"a step below full scale, late once in 5 frames for half a second", 0.8409f, 1, {{1, 2, unknown}, {4, 1, unknown}}, 0.5946f, 6}, {"for a little less", 0.8409f, 1, {{1, 2, unknown}, {4, 1, unknown}}, 0.8409f, 5},
        {"once in 8", 0.7071f, 1, {{1, 2, unknown}, {7, 1, unknown}}, 0.7071f, 10}, {"late, then quick thrice: faster than the display", 0.7071f, 1, {{1, 1.3, unknown}, {3, 0.1, unknown}}, 0.7071f, 20},
        {"late by a quarter for 5 frames, 0.1 s", 1, 1, {{5, 1.26, unknown}}, 0.7071f}, {"for 4", 1, 1, {{4, 1.26, unknown}}, 1},
        {"each twice the period: a third of the pixels", 1, 1, {{4, 2, unknown}}, 0.5946f},
        {"late by 0.3 periods, then held up for 6: the shorter counts", 1, 1, {{1, 1.3, unknown}, {1, 6, unknown}}, 0.7071f}, {"3 s each", 1, 1, {{2, 180, unknown}}, 0.25f},
        {"3 s each at a quarter", 0.25f, 1, {{10, 180, 179}}, 0.25f}, {"late, where a texture holds half the window", 1, 0.5f, {{5, 1.3, unknown}}, 0.5f},
        {"late, where no texture holds a quarter", 1, 0.24f, {{10, 180, unknown}}, 1}, {"no refresh known", 1, 1, {{10, std::nan(""), unknown}}, 1},
        {"room for the next step for 3 s", 0.5f, 1, {{181, 1, 0.49}}, 0.5946f}, {"for a little less", 0.5f, 1, {{178, 1, 0.49}}, 0.5f},
        {"room for 2 s, twice", 0.5f, 1, {{120, 1, 0.2}, {2, 1, 0.8}, {120, 1, 0.2}}, 0.5f},
        {"room for 3 s but for frames alone", 0.5f, 1, {{60, 1, 0.2}, {1, 1, 0.8}, {60, 1, 0.2}, {1, 1, 0.8}, {62, 1, 0.2}}, 0.5946f}, {"room for 2 s, late once, room for 2 s", 0.5f, 1, {{120, 1, 0.2}, {1, 1.5, 0.2}, {120, 1, 0.2}}, 0.5f}, {"not quite room", 0.5946f, 1, {{3600, 1, 0.57}}, 0.5946f},
        {"room for 9 s, a step each 3 s", 0.5f, 1, {{543, 1, 0.1}}, 0.8409f}, {"room, with half the window the largest", 0.5f, 0.5f, {{181, 1, 0.17}}, 1},
        {"late again at the larger scale", 0.5f, 1, {{181, 1, 0.49}, {5, 1.5, 0.9}}, 0.4204f}};
    for (const auto& run : runs) {
        FrameScaler scaler;
        scaler.Scale = run.From;
        for (int time = 0; time < run.Times; ++time)
            for (const auto& [count, interval, drawn] : run.Frames)
                for (int i = 0; i < count; ++i)
                    scaler = ScaleAfterFrame(scaler, interval * P, drawn * P, P, run.Largest);
        EXPECT_NEAR(scaler.Scale, run.Scale, 1e-4) << run.Name;
    }
}

TEST(Saver, ASceneTooSlowForTheRefreshAtFullScaleComesToItsPaceWithinASecondAndStaysAtItsScale)
{
    // The defaults' 50 halos of 600 pixels, full screen: about twice a refresh under llvmpipe. Once
    // they have kept to one scale for over 3 s, 50 halos of 10 pixels, which leave the frames room
    // for the next step up after 3 s of it.
    double started = 0;
    int atOne = 0, atFour = 0;
    float scaleAtOne = 0, scaleAtFour = 0;
    RunSaver("/s", [&](HWND) {
        if (!started)
            started = SaverSeconds();
        const double now = SaverSeconds() - started;
        if (!atOne && now >= 1) {
            std::tie(atOne, scaleAtOne) = std::tuple{frames.Drawn, GLScene.FrameScale};
        } else if (!scaleAtFour && now >= 4.2) {
            std::tie(atFour, scaleAtFour) = std::tuple{frames.Drawn, GLScene.FrameScale};
            GLScene.ChangeSSData(WhitePoints(50, 10));
        }
        return (scaleAtFour && GLScene.FrameScale > scaleAtFour) || now >= 12;
    });
    EXPECT_GT(frames.Slowest, 1 / 60.0) << "frames were not slow";
    EXPECT_GE(atFour - atOne, 57 * 3.2) << "frames from the first second on, at a scale of " << scaleAtOne;
    EXPECT_TRUE(scaleAtOne < 1 && scaleAtFour <= scaleAtOne && GLScene.FrameScale > scaleAtFour) << scaleAtOne << ", " << scaleAtFour << " and " << GLScene.FrameScale;
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
TEST(Saver, ThePreviewIsItsMonitorShrunkToItsHeightWhereverItIs)
{
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    const double dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSX) / 96.0;  // Wine's, on every monitor
    std::size_t next = 0;
    int drawn = -1;
    // Windows' own preview is about 152 x 112, on monitors of every shape. Its host goes to each monitor in turn.
    RunSaver("/p", [&](HWND saver) {
        if (frames.Drawn <= drawn)
            return false;
        if (next) {
            EXPECT_FLOAT_EQ(GLScene.Views[0].Scale, dpi * 112 / (monitors[next - 1].bottom - monitors[next - 1].top)) << "on monitor " << next;
        }
        if (next == monitors.size())
            return true;
        SetWindowPos(GetParent(saver), nullptr, monitors[next].left + 40, monitors[next].top + 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        std::tie(next, drawn) = std::tuple{next + 1, frames.Drawn};
        return false;
    }, {152, 112});
}

// An address that no program's data has.
const LPARAM WILD = static_cast<LPARAM>(0x4141414141414141);

// Windows 7 and 8.0 refuse a wait for touch or pointer input.
int refusedWaits;
DWORD WINAPI Windows7Wait(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD mask, DWORD flags) { return mask & (QS_TOUCH | QS_POINTER) ? (++refusedWaits, WAIT_FAILED) : MsgWaitForMultipleObjectsEx(count, handles, milliseconds, mask, flags); }
DWORD WINAPI FailingWait(DWORD, const HANDLE*, DWORD, DWORD, DWORD) { return WAIT_FAILED; }

// Runs the saver: frames at the display's pace with the thread asleep between them, then, from
// stop until start, none and no ticks with the thread asleep, then the cloud goes on from where it
// stopped, turning about Z by at most a tick a frame.
void StopsAndGoesOn(const char* mode, const char* what, const std::function<void(HWND)>& stop, const std::function<void(HWND)>& start)
{
    int phase = 0, drawn = 0;
    double since = 0, busy = 0;
    float angle = 0;
    std::uint64_t ticks = 0;
    RunSaver(mode, [&](HWND saver) {
        const double passed = SaverSeconds() - since;
        if (phase == 0) {
            std::tie(since, busy, drawn, phase) = std::tuple{SaverSeconds(), ThreadSeconds(), frames.Drawn, 1};
        } else if (phase == 1 && passed > 0.3) {
            EXPECT_GT(frames.Drawn - drawn, passed / WindowsDisplayClock(saver).Period / 2) << what << ": frames fell behind";
            EXPECT_LT(ThreadSeconds() - busy, passed / 5) << what << ": the saver kept busy between frames";
            stop(saver);
            std::tie(since, busy, ticks, angle, drawn, phase) = std::tuple{SaverSeconds(), ThreadSeconds(), AnimationClock.Ticks, GLScene.Angle[2], frames.Drawn, 2};
        } else if (phase == 2 && passed > 0.3) {
            EXPECT_TRUE(frames.Drawn == drawn && AnimationClock.Ticks == ticks) << what << ": drawn or ticked while stopped";
            EXPECT_LT(ThreadSeconds() - busy, passed / 5) << what << ": the saver kept busy while stopped";
            start(saver);
            phase = 3;
        } else if (phase == 3 && frames.Drawn > drawn) {
            const auto ran = AnimationClock.Ticks - ticks;
            EXPECT_TRUE(ran > 0 && ran <= std::uint64_t(frames.Drawn - drawn) && GLScene.Angle[2] == angle + 0.5f * ran) << what << ": " << ran << " ticks";
            return true;
        }
        return false;
    });
}

// What Windows sends when the display's state changes: 0 off, 1 on, 2 dimmed.
struct DisplayState { GUID PowerSetting; DWORD DataLength, Data; };

TEST(Saver, WhileTheMonitorsAreOffNothingIsDrawnOrTickedAndTheSaverSleeps)
{
    // A monitor-power command or a change of the display's state says whether they are off. Low power still shows; another
    // setting, or a power command that comes as no system command, says nothing, and the low four bits of the command are
    // Windows' own. What has no setting, or another program's with none or with one at a wild address, leaves them off.
    DisplayState states[4] = {{GUID_CONSOLE_DISPLAY_STATE, 4, 0}, {GUID_CONSOLE_DISPLAY_STATE, 4, 1}, {GUID_CONSOLE_DISPLAY_STATE, 4, 2}, {GUID_ACDC_POWER_SOURCE, 4, 0}};
    const auto state = [&](int i) { return reinterpret_cast<LPARAM>(&states[i]); };
    const struct { UINT Message; WPARAM WParam; LPARAM LParam; bool Off; } steps[] = {{WM_SYSCOMMAND, SC_MONITORPOWER, MONITOR_POWER_OFF, true},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, state(1), false}, {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, state(0), true},
        {WM_SYSCOMMAND, SC_MONITORPOWER, -1, false}, {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, state(2), false}, {WM_SYSCOMMAND, SC_MONITORPOWER, 1, false},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, state(3), false}, {WM_POWERBROADCAST, SC_MONITORPOWER, MONITOR_POWER_OFF, false},
        {WM_SYSCOMMAND, SC_MONITORPOWER | 3, MONITOR_POWER_OFF, true}, {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, true},
        {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0, true}, {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, WILD, true}};
    bool off = false;
    for (const auto& step : steps)
        EXPECT_EQ(off = MonitorsOffAfter(off, step.Message, step.WParam, step.LParam), step.Off) << "after message " << step.Message << ", " << step.LParam;

    // The full-screen saver with Windows' own wait, with that of Windows 7 and 8.0, which refuse one
    // for touch or pointer input, and with one that always fails.
    StoreRecord(WhitePoints(1, 20));
    StoreSetting("Anim_RotZ", DWORD{1});
    for (const auto& [name, wait] : {std::pair{"Windows' own wait", FrameWait}, {"Windows 7's wait", Windows7Wait}, {"a wait that fails", FailingWait}}) {
        FrameWait = wait;
        StopsAndGoesOn("/s", name, [](HWND saver) { SendMessageA(saver, WM_SYSCOMMAND, SC_MONITORPOWER, MONITOR_POWER_OFF); },
                       [](HWND saver) { SendMessageA(saver, WM_SYSCOMMAND, SC_MONITORPOWER, -1); });
    }
    EXPECT_EQ(refusedWaits, 0) << "a wait that Windows 7 refuses";
}

TEST(Saver, NoOtherProgramsMessageMovesTheCloudOrSpoilsItsFramesAndAHiddenPreviewDrawsNothing)
{
    StoreRecord(WhitePoints(1, 20));
    StoreSetting("Anim_RotZ", DWORD{1});
    // What other programs may post or broadcast, with numbers and pointers of their choice: the first
    // of the applications' and the window classes' own numbers, and Windows' own whose data the saver reads.
    std::vector<std::tuple<UINT, WPARAM, LPARAM>> posted = {{WM_APP + 1, 0, 0}, {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, WILD}, {WM_SIZE, 0, 0},
        {WM_DPICHANGED, 0, WILD}, {WM_DISPLAYCHANGE, 0, 0}, {WM_TIMER, 1, WILD}, {WM_PAINT, 0, 0}};
    for (UINT n = 0; n < 256; ++n)
        posted.insert(posted.end(), {{WM_APP + n, WILD, WILD}, {WM_USER + n, WILD, WILD}});
    double since = 0;
    std::uint64_t ticks = 0;
    RunSaver("/s", [&](HWND saver) {
        if (!since) {
            for (const auto& [message, wParam, lParam] : posted)
                PostMessageA(saver, message, wParam, lParam);
            PostMessageA(HWND_BROADCAST, WM_APP + 1, 0, WILD);
            std::tie(since, ticks) = std::tuple{SaverSeconds(), AnimationClock.Ticks};
            return false;
        }
        const double expected = (SaverSeconds() - since) / TICK_SECONDS, ran = double(AnimationClock.Ticks - ticks);
        if (expected < 40)
            return false;
        EXPECT_TRUE(ran > expected * 0.8 && ran < expected + 2) << ran << " ticks where " << expected << " were due";
        // Its one halo is still in the middle of the whole window.
        RECT client;
        GetClientRect(saver, &client);
        EXPECT_GT(SaverPixels(saver)[3 * (client.bottom / 2 * client.right + client.right / 2)], 200) << "a size of another program's taken";
        // A monitor's scale is taken again when it changes.
        GLScene.Views[0].Scale = 5;
        SendMessageA(saver, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&client));
        EXPECT_EQ(GLScene.Views[0].Scale, GetDeviceCaps(GetDC(nullptr), LOGPIXELSX) / 96.0f);
        return true;
    });

    // A preview draws nothing while its host is minimised or hidden.
    for (const auto& [hide, show] : {std::pair{SW_MINIMIZE, SW_RESTORE}, {SW_HIDE, SW_SHOWNA}})
        StopsAndGoesOn("/p", "a hidden host", [hide = hide](HWND saver) { ShowWindow(GetParent(saver), hide); },
                       [show = show](HWND saver) { ShowWindow(GetParent(saver), show); });
}

// What a host hands its preview when asked: from the start, on the host's thread.
SettingsValues hostValues;
LRESULT CALLBACK AnswerAsks(int code, WPARAM wParam, LPARAM lParam)
{
    const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    COPYDATASTRUCT copy = {SETTINGS_COPY_TAG, sizeof hostValues, hostValues.data()};
    if (sent.message == PreviewMessages().Ask)
        SendMessageA(reinterpret_cast<HWND>(sent.wParam), WM_COPYDATA, reinterpret_cast<WPARAM>(sent.hwnd), reinterpret_cast<LPARAM>(&copy));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(Saver, APreviewShowsTheSettingsThatItsHostGivesWhenAskedAndNoOneElses)
{
    StoreRecord(WhitePoints(1, 20));
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, AnswerAsks, nullptr, GetCurrentThreadId());
    for (const char* mode : {"/p", "/s"}) {  // full screen, no one's
        hostValues = ValuesOf(DistinctRecord());
        RunSaver(mode, [&](HWND saver) {
            EXPECT_EQ(Described(GLScene.Data), Described(mode[1] == 'p' ? DistinctRecord() : WhitePoints(1, 20))) << mode << ", at the start";
            // Not from another window, nor of another size or kind; a host's change when told.
            hostValues = ValuesOf(WhitePoints(7, 40));
            const std::int32_t before = GLScene.Data.PointCount;
            for (const auto& [from, tag, size] : {std::tuple{GoneWindow(), SETTINGS_COPY_TAG, 88}, {GetParent(saver), SETTINGS_COPY_TAG + 1, 88},
                                                   {GetParent(saver), SETTINGS_COPY_TAG, 87}, {GetParent(saver), SETTINGS_COPY_TAG, 88}}) {
                COPYDATASTRUCT copy = {tag, static_cast<DWORD>(size), hostValues.data()};
                SendMessageA(saver, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&copy));
                const bool taken = mode[1] == 'p' && from == GetParent(saver) && tag == SETTINGS_COPY_TAG && size == 88;
                EXPECT_EQ(GLScene.Data.PointCount, taken ? 7 : before) << mode << ", " << tag << ", " << size;
            }
            return true;
        });
    }
    UnhookWindowsHookEx(hook);
}

// Run also at 192 DPI.
TEST(Saver, HaloSizesAreInUnitsOf96DpiAndThePreviewIsTheScreenShrunkAndIgnoresInput)
{
    StoreRecord(WhitePoints(1, 192));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN), SHRINK = 8;
    std::vector<std::uint8_t> screen, preview;
    const auto closing = [](HWND saver) { MSG close; return PeekMessageA(&close, saver, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != 0; };
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
        EXPECT_FALSE(GetCursor() || closing(saver)) << "a cursor, or an end without a move";
        return true;
    });
    RunSaver("/p", [&](HWND saver) {
        preview = SaverPixels(saver);
        for (UINT input : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_MOUSEWHEEL, WM_MOUSEMOVE})
            SendMessageA(saver, input, 0, MAKELPARAM(200, 200));
        EXPECT_FALSE(closing(saver)) << "input ended the preview";
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
