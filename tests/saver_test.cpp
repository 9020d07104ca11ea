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

// What Windows sends when the display's state changes: 0 off, 1 on, 2 dimmed.
struct DisplayState { GUID PowerSetting; DWORD DataLength, Data; };

TEST(Saver, WhileTheMonitorsAreOffTheSceneMovesButDrawsNothingAndThePreviewIgnoresInput)
{
    StoreRecord(WhitePoints(1, 20));
    StoreSetting("Anim_RotZ", DWORD{1});
    RunSaver("/p", [](HWND saver) {
        KillTimer(saver, TimerName);
        DisplayState states[4] = {{GUID_CONSOLE_DISPLAY_STATE, 4, 0}, {GUID_CONSOLE_DISPLAY_STATE, 4, 1}, {GUID_CONSOLE_DISPLAY_STATE, 4, 2},
                                  {GUID_ACDC_POWER_SOURCE, 4, 0}};
        const struct { UINT Message; WPARAM WParam; LPARAM LParam; bool Off; } steps[] = {
            {WM_SYSCOMMAND, SC_MONITORPOWER, MONITOR_POWER_OFF, true},
            {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&states[1]), false},
            {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&states[0]), true},
            {WM_SYSCOMMAND, SC_MONITORPOWER, -1, false},
            {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&states[2]), false},
            {WM_SYSCOMMAND, SC_MONITORPOWER | 3, MONITOR_POWER_OFF, true},  // the low four bits are Windows' own
            {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, true},           // no setting, and nothing to read
            {WM_SYSCOMMAND, SC_MONITORPOWER, 1, false},                     // low power still shows
            {WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&states[3]), false},  // another setting
            {WM_POWERBROADCAST, SC_MONITORPOWER, MONITOR_POWER_OFF, false},  // only a system command's
        };
        for (const auto& step : steps) {
            // A marker in the buffer that frames are drawn into: any frame clears it away.
            glClearColor(1, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            glClearColor(0, 0, 0, 0);
            const float before = GLScene.Angle[2];
            SendMessageA(saver, step.Message, step.WParam, step.LParam);
            SendMessageA(saver, WM_TIMER, 7, 0);
            EXPECT_EQ(GLScene.Angle[2], before + 0.5f) << "a tick of any timer turns the cloud by twice RotZ";
            unsigned char corner[4] = {};
            glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
            EXPECT_EQ(corner[0], step.Off ? 255 : 0) << "after message " << step.Message << ", " << step.LParam;
        }
        for (UINT input : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_MOUSEWHEEL, WM_MOUSEMOVE})
            SendMessageA(saver, input, 0, MAKELPARAM(200, 200));
        MSG closing;
        EXPECT_FALSE(PeekMessageA(&closing, saver, WM_CLOSE, WM_CLOSE, PM_NOREMOVE)) << "input ended the preview";
    });
    EXPECT_EQ(GLScene.hRC, nullptr) << "the scene went with its host";
}

// Run also at 192 DPI.
TEST(Saver, HaloSizesAreInUnitsOf96DpiAndThePreviewIsTheScreenShrunk)
{
    StoreRecord(WhitePoints(1, 192));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN), SHRINK = 8;
    std::vector<std::uint8_t> screen, preview;
    RunSaver("/s", [&](HWND saver) {
        // A paint comes before any tick, and it shows the first frame: the halo's lit middle.
        HDC desktop = GetDC(nullptr);
        EXPECT_GT(GetRValue(GetPixel(desktop, screenWidth / 2, screenHeight / 2)), 200) << "no frame before the first tick";
        ReleaseDC(nullptr, desktop);
        screen = SaverFrame(saver);
        EXPECT_TRUE(GetWindowLongA(saver, GWL_EXSTYLE) & WS_EX_TOPMOST);
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        SendMessageA(saver, WM_SETCURSOR, reinterpret_cast<WPARAM>(saver), HTCLIENT);
        SendMessageA(saver, WM_ACTIVATEAPP, FALSE, 0);
        MSG closing;
        EXPECT_FALSE(GetCursor() || PeekMessageA(&closing, saver, WM_CLOSE, WM_CLOSE, PM_NOREMOVE)) << "a cursor, or an end without a move";
    });
    RunSaver("/p", [&](HWND saver) { preview = SaverFrame(saver); }, {screenWidth / SHRINK, screenHeight / SHRINK});
    // Without a height to go by, a preview keeps its monitor's own scale.
    EXPECT_TRUE(PreviewScale(144, 0, 768) == 1.5f && PreviewScale(144, 96, 0) == 1.5f && PreviewScale(96, 96, -5) == 1.0f);
    ASSERT_EQ(screen.size(), preview.size() * SHRINK * SHRINK) << "the preview fills its host";

    // Full screen, an untinted halo of size 192 is 192 x DPI / 96 pixels across.
    unsigned char sprite[SPRITE_TEXELS], bits[SPRITE_TEXELS * 4];
    ASSERT_TRUE(LoadHaloSprite(GetModuleHandleA(nullptr), sprite, bits));
    const double texels = std::count_if(sprite, sprite + SPRITE_TEXELS, [](unsigned char level) { return level > 0; });
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
