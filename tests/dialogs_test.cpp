#include "tests/support.h"

namespace {

void ExpectPositions(HWND dialog, const std::map<int, int>& positions)
{
    for (const auto& [id, position] : positions)
        EXPECT_EQ(Position(dialog, id), position) << "trackbar " << id;
}

TEST(ConfigureDialog, AKeyWithOneValueOpensOnTheDefaultsForTheRestAndOkStoresTheirExactBytes)
{
    StoreSetting("Speed", Bits(0.29f), HKEY_CURRENT_USER);  // the float nearest to 0.29 lies below it
    On(CONFIGURE, [](HWND dialog) {
        ExpectPositions(dialog, {{IDC_BASE_RED, 128}, {IDC_SECONDARY_GREEN, 127}, {IDC_SPEED, 29}, {IDC_SPREAD, 200}});
        EXPECT_EQ(Text(dialog, IDC_COUNT_TEXT), "50");
        for (const auto& [id, ticked] : std::map<int, bool>{{IDC_ANIM_RED, true}, {IDC_ANIM_BLUE, false}, {IDC_ANIM_ROTATING, true},
                                                             {IDC_ANIM_ROTATION_Z, false}, {IDC_SIZING_MIN_TO_MAX, false}, {IDC_SIZING_SET_ON_MAX, true}})
            EXPECT_EQ(IsTicked(dialog, id), ticked) << id;
        Press(dialog, IDOK);
    });
    RunConfiguration();
    // In record order; the secondary green and blue come back from position 127 as the float nearest 127/255.
    const DWORD stored[FIELD_COUNT] = {0x7F, 0x7F, 0, 0x3F800000, 0x3EFEFEFF, 0x3EFEFEFF, 1, 1, 0, Bits(0.29f), 1,
                                       0x44160000, 0x43960000, 2, 50, 0x3E800000, 0x3E800000, 0x3E800000, 0, 0, 0, 0x40000000};
    for (int i = 0; i < FIELD_COUNT; ++i) {
        DWORD bits = 0, size = sizeof bits;
        EXPECT_TRUE(RegGetValueA(HKEY_LOCAL_MACHINE, CONFIG_KEY, Fields[i].Name, RRF_RT_REG_DWORD, nullptr, &bits, &size) == ERROR_SUCCESS && bits == stored[i])
            << Fields[i].Name << " holds " << std::hex << bits;
    }
    EXPECT_FALSE(HasKey(HKEY_CURRENT_USER)) << "the user's own key would hide what was stored";
}

TEST(ConfigureDialog, IsOwnedByTheWindowThatTheCommandLineNames)
{
    HWND settings = CreateWindowA("STATIC", "settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND front = CreateWindowA("STATIC", "front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    for (const std::string& tail : {"/c:" + HandleText(settings), "/C " + HandleText(settings), std::string("/c"), "/c:" + HandleText(GoneWindow())}) {
        ASSERT_TRUE(SetForegroundWindow(front));
        On(CONFIGURE, [&](HWND dialog) {
            HWND owner = tail.find(HandleText(settings)) == std::string::npos ? front : settings;
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner) << tail;
            EXPECT_FALSE(IsWindowEnabled(owner)) << tail;
            Press(dialog, IDCANCEL);
        });
        RunConfiguration(tail);
    }
}

TEST(ConfigureDialog, EveryFieldShowsOnItsOwnControlInsideItsRangeAndIsStoredBackThere)
{
    // Near the top of each range, at positions that tell the colours apart, with a count and a
    // spread past the top; the bottom of every range; and values outside every range.
    const SS_Data top = {0, 1, 2, 1, 254 / 255.0f, 253 / 255.0f, 1, 1, 1, 1, 1, 1000, 990, 1, 1501, 1, 0.99f, 0.98f, 1, 1, 1, 4.5f};
    const SS_Data bottom = {255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 20, 10, 0, 10, 0, 0, 0, 0, 0, 0, 0.25f};
    SS_Data topBack = top, outside = DistinctRecord(), outsideBack = DistinctRecord();
    topBack.PointCount = 1500;
    topBack.Spread = 4;
    const struct { const char* Name; std::uint32_t Stored, Back; } beyond[] = {{"BCol_R", 300, 255}, {"BCol_B", static_cast<std::uint32_t>(-10), 0},
        {"PointCount", 5, 10}, {"SCol_R", 0x7FC00000, 0} /* NaN */, {"SCol_G", 0x7F800000, 0x3F800000} /* infinity */,
        {"Size_Max", 0xFFFFFFFF, 0x41A00000} /* a negative NaN */, {"RotY", 0x4F800000, 0x3F800000} /* 2^32, beyond int */,
        {"Spread", 0x7FC00000, 0x3E800000}, {"Sizing", 3, 3} /* which no button stands for */};
    for (const auto& b : beyond) {
        SetFieldBits(outside, FieldNamed(b.Name), b.Stored);
        SetFieldBits(outsideBack, FieldNamed(b.Name), b.Back);
    }
    outsideBack.Size_Min = 10;  // moved by the coupling, with the maximum at 20
    const struct { const SS_Data& Stored; std::map<int, int> Positions; std::set<int> Ticked; const SS_Data& Back; } cases[] = {
        {top, {{IDC_BASE_RED, 255}, {IDC_BASE_GREEN, 254}, {IDC_BASE_BLUE, 253}, {IDC_SECONDARY_RED, 255}, {IDC_SECONDARY_GREEN, 254},
               {IDC_SECONDARY_BLUE, 253}, {IDC_SPEED, 100}, {IDC_SIZE_MAX, 1000}, {IDC_SIZE_MIN, 990}, {IDC_POINT_COUNT, 1500},
               {IDC_ROTATION_X, 100}, {IDC_ROTATION_Y, 99}, {IDC_ROTATION_Z, 98}, {IDC_SPREAD, 400}},
         {IDC_ANIM_RED, IDC_ANIM_GREEN, IDC_ANIM_BLUE, IDC_ANIM_ROTATING, IDC_ANIM_ROTATION_X, IDC_ANIM_ROTATION_Y, IDC_ANIM_ROTATION_Z, IDC_SIZING_PING_PONG}, topBack},
        {bottom, {{IDC_BASE_RED, 0}, {IDC_BASE_GREEN, 0}, {IDC_BASE_BLUE, 0}, {IDC_SECONDARY_RED, 0}, {IDC_SECONDARY_GREEN, 0},
                  {IDC_SECONDARY_BLUE, 0}, {IDC_SPEED, 0}, {IDC_SIZE_MAX, 20}, {IDC_SIZE_MIN, 10}, {IDC_POINT_COUNT, 10},
                  {IDC_ROTATION_X, 0}, {IDC_ROTATION_Y, 0}, {IDC_ROTATION_Z, 0}, {IDC_SPREAD, 25}}, {IDC_SIZING_MIN_TO_MAX}, bottom},
        {outside, {{IDC_BASE_RED, 0}, {IDC_BASE_BLUE, 255}, {IDC_POINT_COUNT, 10}, {IDC_SECONDARY_RED, 0}, {IDC_SECONDARY_GREEN, 255},
                   {IDC_SIZE_MAX, 20}, {IDC_ROTATION_Y, 100}, {IDC_SPREAD, 25}},
         {IDC_ANIM_BLUE, IDC_ANIM_ROTATION_X, IDC_ANIM_ROTATION_Y, IDC_ANIM_ROTATION_Z}, outsideBack}};
    for (const auto& c : cases) {
        StoreRecord(c.Stored);
        for (const FieldInfo& field : Fields)
            if (field.Kind == FieldKind::Flag && FieldBits(c.Stored, field))
                StoreSetting(field.Name, DWORD{2});  // any value but 0 ticks its box
        On(CONFIGURE, [&](HWND dialog) {
            ExpectPositions(dialog, c.Positions);
            for (int box : {IDC_ANIM_RED, IDC_ANIM_GREEN, IDC_ANIM_BLUE, IDC_ANIM_ROTATING, IDC_ANIM_ROTATION_X, IDC_ANIM_ROTATION_Y,
                            IDC_ANIM_ROTATION_Z, IDC_SIZING_MIN_TO_MAX, IDC_SIZING_PING_PONG, IDC_SIZING_SET_ON_MAX})
                EXPECT_EQ(IsTicked(dialog, box), c.Ticked.count(box) == 1) << box;
            Press(dialog, IDOK);
        });
        RunConfiguration();
        EXPECT_EQ(Described(c.Back), Described(StoredRecord()));
    }
}

TEST(ConfigureDialog, TheMinimumSizeStaysTenBelowTheMaximum)
{
    On(CONFIGURE, [](HWND dialog) {
        // Each slide in turn, and where the two sliders then stand.
        const struct { int Slider, To, Maximum, Minimum; } slides[] = {{IDC_SIZE_MAX, 305, 305, 295}, {IDC_SIZE_MAX, 405, 405, 295},
            {IDC_SIZE_MIN, 395, 405, 395}, {IDC_SIZE_MAX, 400, 400, 390}, {IDC_SIZE_MAX, 705, 705, 390}, {IDC_SIZE_MIN, 690, 705, 690},
            {IDC_SIZE_MIN, 700, 710, 700}};
        for (const auto& slide : slides) {
            Slide(dialog, slide.Slider, slide.To);
            ExpectPositions(dialog, {{IDC_SIZE_MAX, slide.Maximum}, {IDC_SIZE_MIN, slide.Minimum}});
        }
        Press(dialog, IDOK);
    });
    RunConfiguration();
    EXPECT_EQ(StoredRecord().Size_Max, 710.0f);
    EXPECT_EQ(StoredRecord().Size_Min, 700.0f);
}

TEST(DefaultsDialog, EachBoxResetsExactlyItsGroupAndCancelKeepsTheEdits)
{
    const std::map<int, std::string> groups = {
        {IDC_RESET_COLORS, " BCol_R BCol_G BCol_B SCol_R SCol_G SCol_B Anim_R Anim_G Anim_B "},
        {IDC_RESET_MOVE, " Speed Anim_Rotating "}, {IDC_RESET_POINT_SIZE, " Size_Max Size_Min Sizing "},
        {IDC_RESET_POINT_COUNT, " PointCount "}, {IDC_RESET_ROTATION, " RotX RotY RotZ Anim_RotX Anim_RotY Anim_RotZ "},
        {IDC_RESET_SPREAD, " Spread "}};
    StoreRecord(DistinctRecord());
    for (const auto& [box, names] : groups) {
        On(CONFIGURE, [](HWND dialog) {
            Slide(dialog, IDC_SPEED, 28);  // an edit not stored yet
            Press(dialog, IDC_SET_DEFAULTS);
        });
        On(DEFAULTS, [](HWND defaults) { PressKey(defaults, VK_ESCAPE); });
        On(CONFIGURE, [](HWND dialog) {
            EXPECT_EQ(Position(dialog, IDC_SPEED), 28) << "the defaults' Cancel lost an edit";
            Press(dialog, IDC_SET_DEFAULTS);
        });
        On(DEFAULTS, [&, box = box](HWND defaults) {
            for (const auto& other : groups)
                if (other.first != box)
                    Tick(defaults, other.first);
            Press(defaults, IDOK);
        });
        On(CONFIGURE, [&, names = names](HWND dialog) {
            SS_Data expected = DistinctRecord();
            expected.Speed = 0.28f;
            for (const FieldInfo& field : Fields)
                if (names.find(' ' + std::string(field.Name) + ' ') != std::string::npos)
                    CopyField(expected, DefaultData, field);
            EXPECT_EQ(Described(expected), Described(ActualData)) << names;
            EXPECT_EQ(Position(dialog, IDC_SPEED), names.find(" Speed ") != std::string::npos ? 25 : 28) << "the controls show what was reset";
            Press(dialog, IDCANCEL);
        });
        RunConfiguration();
    }
    EXPECT_EQ(Described(DistinctRecord()), Described(StoredRecord())) << "Cancel stores nothing, not even a reset";
}

TEST(ConfigureDialog, AFailedStoreKeepsTheDialogAndEveryEditForASecondOk)
{
    // A non-volatile key cannot be made under a volatile one: a real refusal of the registry.
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY parent;
        ASSERT_EQ(RegCreateKeyExA(root, "SOFTWARE\\Quillmora", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr), ERROR_SUCCESS);
        RegCloseKey(parent);
    }
    std::string said;
    On(CONFIGURE, [&](HWND dialog) {
        ActualData = DistinctRecord();
        SetDialogItemsValues(dialog);
        Press(dialog, IDOK);
    });
    On("Nimbrel", [&](HWND box) {
        said = Text(box, 0xFFFF);  // a message box's text
        Press(box, IDOK);
    });
    On(CONFIGURE, [&](HWND dialog) {
        ActualData = SS_Data{};
        GetDialogItemsValues(dialog);
        EXPECT_EQ(Described(DistinctRecord()), Described(ActualData)) << "the controls still hold every edit";
        EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE"), ERROR_SUCCESS);
        Press(dialog, IDOK);
    });
    RunConfiguration();
    EXPECT_NE(said.find("could not be saved"), std::string::npos) << said;
    EXPECT_EQ(Described(DistinctRecord()), Described(StoredRecord())) << "the second OK stores the edits";
}

// The keys that the dialog's thread took, and the longest that one waited there.
int keysTaken;
DWORD slowestKey;
LRESULT CALLBACK TimeKeys(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG& message = *reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message.message == WM_KEYDOWN)
        std::tie(keysTaken, slowestKey) = std::tuple{keysTaken + 1, std::max(slowestKey, GetTickCount() - message.time)};
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
void CALLBACK PressArrow(HWND slider, UINT, UINT_PTR, DWORD) { PostMessageA(slider, WM_KEYDOWN, keysTaken % 2 ? VK_LEFT : VK_RIGHT, 0); }

TEST(ConfigureDialog, KeysReachItAtOnceWhileItsPaneDrawsTheHeaviestCloudAndThePaneEndsWithIt)
{
    SS_Data heavy = DefaultData;  // 1500 halos, each larger than the pane
    std::tie(heavy.PointCount, heavy.Size_Max, heavy.Sizing) = std::tuple{1500, 1000.0f, 2};
    StoreRecord(heavy);
    // Mesa, as CMake asks, writes a line for every tenth of a second in which the preview showed a frame.
    const std::string hud = std::string("Z:") + std::getenv("GALLIUM_HUD_DUMP_DIR");
    const auto shown = [&] { std::ifstream fps(hud + "/fps"); return std::count(std::istreambuf_iterator<char>(fps), {}, '\n'); };
    CreateDirectoryA(hud.c_str(), nullptr);
    DeleteFileA((hud + "/fps").c_str());  // a last run's
    HANDLE preview = nullptr;
    std::ptrdiff_t frames = 0;
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, TimeKeys, nullptr, GetCurrentThreadId());
    // Once the pane's saver runs, an arrow key on the spread slider every 20 ms, 100 in all.
    std::function<void(HWND)> watch = [&](HWND dialog) {
        HWND pane = GetDlgItem(dialog, IDC_PREVIEW), slider = GetDlgItem(dialog, IDC_SPREAD);
        DWORD id = 0;
        if (!preview && GetWindowThreadProcessId(GetWindow(pane, GW_CHILD), &id) && (preview = OpenProcess(SYNCHRONIZE, FALSE, id)) != nullptr)
            std::tie(frames, keysTaken) = std::tuple{shown(), SetTimer(slider, 1, 20, PressArrow) ? 0 : 100};
        if (!preview || keysTaken < 100)
            return On(CONFIGURE, watch);
        KillTimer(slider, 1);
        EXPECT_GE(shown() - frames, 2) << "the pane was not drawing";
        EXPECT_LT(slowestKey, 50u) << "milliseconds a key waited";
        Press(dialog, IDCANCEL);
    };
    On(CONFIGURE, watch);
    RunConfiguration();
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(preview && WaitForSingleObject(preview, 0) == WAIT_OBJECT_0) << "the preview outlived its dialog";
}

// The mean of red, green and blue added, over a rectangle of a device context.
double MeanLevel(HDC dc, int left, int top, int right, int bottom)
{
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const COLORREF colour = GetPixel(dc, x, y);
            sum += GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
        }
    return sum / std::max(1, (right - left) * (bottom - top));
}

// Inside its frame's one-pixel margin, a picture is drawn whole: its shape kept,
// as large as fits, centred. Compared a block of 11 x 11 of its pixels at a time,
// since smooth scaling blends neighbours.
void ExpectWhole(HWND frame, HBITMAP picture)
{
    BITMAP size = {};
    RECT client;
    ASSERT_TRUE(GetObjectA(picture, sizeof size, &size) && GetClientRect(frame, &client));
    const double scale = std::min((client.right - 2.0) / size.bmWidth, (client.bottom - 2.0) / size.bmHeight);
    const double left = (client.right - size.bmWidth * scale) / 2, top = (client.bottom - size.bmHeight * scale) / 2;
    const auto at = [scale](double offset, int pixel) { return static_cast<int>(std::lround(offset + pixel * scale)); };
    HDC shown = GetDC(frame), original = CreateCompatibleDC(shown);
    HGDIOBJ previous = SelectObject(original, picture);
    constexpr int BLOCK = 11;
    double total = 0, farSides = 0;  // misses of 765 in a block's mean
    for (int x = 0; x + BLOCK <= size.bmWidth; x += BLOCK)
        for (int y = 0; y + BLOCK <= size.bmHeight; y += BLOCK) {
            const double miss = std::fabs(MeanLevel(shown, at(left, x), at(top, y), at(left, x + BLOCK), at(top, y + BLOCK)) - MeanLevel(original, x, y, x + BLOCK, y + BLOCK));
            total += miss / (size.bmWidth / BLOCK * (size.bmHeight / BLOCK));
            if (x + 2 * BLOCK > size.bmWidth || y + 2 * BLOCK > size.bmHeight)
                farSides = std::max(farSides, miss);
        }
    EXPECT_LT(total, 25);
    EXPECT_LT(farSides, 80) << "the picture's right side or bottom";
    SelectObject(original, previous);
    DeleteDC(original);
    ReleaseDC(frame, shown);
}

// Run also at 120 and 144 DPI.
TEST(ConfigureDialog, ThePicturesAreDrawnWholeAndGoWithTheirDialogs)
{
    std::vector<HBITMAP> pictures;
    for (WPARAM close : {IDOK, VK_RETURN, VK_ESCAPE}) {
        On(CONFIGURE, [&](HWND dialog) {
            ExpectWhole(GetDlgItem(dialog, IDC_BANNER), hBitmapConfig);
            pictures.push_back(hBitmapConfig);
            Press(dialog, IDC_OPEN_ABOUT);
        });
        On(ABOUT, [&, close](HWND about) {
            ExpectWhole(GetDlgItem(about, IDC_ABOUT_PICTURE), hBitmapAbout);
            pictures.push_back(hBitmapAbout);
            close == IDOK ? Press(about, IDOK) : PressKey(about, close);
        });
    }
    On(CONFIGURE, [](HWND dialog) { Press(dialog, IDCANCEL); });
    RunConfiguration();
    ASSERT_EQ(pictures.size(), 6u);
    for (HBITMAP picture : pictures)
        EXPECT_EQ(GetObjectType(picture), 0u) << "a picture was left behind";
    // Frames much taller or wider than the picture: it is centred down or across.
    HBITMAP picture = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_ABOUT_PICTURE));
    for (const SIZE frame : {SIZE{100, 600}, SIZE{400, 100}}) {
        HWND window = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, frame.cx, frame.cy, nullptr, nullptr, nullptr, nullptr);
        PaintPic(window, picture, 1, 1);
        ExpectWhole(window, picture);
        DestroyWindow(window);
    }
    DeleteObject(picture);
}

}  // namespace
