#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/support/record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using ConfigureDialog = DialogTest;

// The float nearest to 127/255, as the registry keeps it.
constexpr DWORD NEAREST_127_255 = 0x3EFEFEFF;

void ExpectPositions(HWND dialog, const std::vector<std::pair<int, int>>& positions)
{
    for (const auto& [id, position] : positions)
        EXPECT_EQ(Position(dialog, id), position) << "trackbar " << id;
}

void ExpectTicks(HWND dialog, const std::vector<int>& ticked, const std::vector<int>& clear)
{
    for (int id : ticked)
        EXPECT_TRUE(IsTicked(dialog, id)) << "control " << id;
    for (int id : clear)
        EXPECT_FALSE(IsTicked(dialog, id)) << "control " << id;
}

float FloatFromBits(DWORD bits)
{
    float value;
    static_assert(sizeof value == sizeof bits);
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

TEST_F(ConfigureDialog, WithNoKeyItOpensOnTheDefaultsAndOkStoresThem)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        ExpectPositions(dialog, {{IDC_BASE_RED, 128}, {IDC_BASE_GREEN, 128}, {IDC_BASE_BLUE, 255},
                                 {IDC_SECONDARY_RED, 255}, {IDC_SECONDARY_GREEN, 127}, {IDC_SECONDARY_BLUE, 127},
                                 {IDC_SPEED, 25}, {IDC_SIZE_MAX, 600}, {IDC_SIZE_MIN, 300}, {IDC_POINT_COUNT, 50},
                                 {IDC_ROTATION_X, 25}, {IDC_ROTATION_Y, 25}, {IDC_ROTATION_Z, 25}, {IDC_SPREAD, 200}});
        EXPECT_EQ(Text(dialog, IDC_COUNT_TEXT), "50");
        ExpectTicks(dialog, {IDC_ANIM_RED, IDC_ANIM_GREEN, IDC_ANIM_ROTATING, IDC_SIZING_SET_ON_MAX},
                    {IDC_ANIM_BLUE, IDC_ANIM_ROTATION_X, IDC_ANIM_ROTATION_Y, IDC_ANIM_ROTATION_Z,
                     IDC_SIZING_MIN_TO_MAX, IDC_SIZING_PING_PONG});
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);

    SS_Data expected = DefaultData;
    expected.SCol_G = expected.SCol_B = FloatFromBits(NEAREST_127_255);
    EXPECT_TRUE(SameRecord(expected, Stored()));
}

TEST_F(ConfigureDialog, TabOrderIsTemplateOrderAndTheSizingButtonsAreOneGroup)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        const int order[] = {IDOK, IDCANCEL, IDC_BASE_RED, IDC_BASE_GREEN, IDC_BASE_BLUE, IDC_SECONDARY_RED,
                             IDC_SECONDARY_GREEN, IDC_SECONDARY_BLUE, IDC_ANIM_RED, IDC_ANIM_GREEN, IDC_ANIM_BLUE,
                             IDC_SPEED, IDC_ANIM_ROTATING, IDC_SIZE_MAX, IDC_SIZE_MIN,
                             // Tab enters a group of radio buttons at the one selected.
                             IDC_SIZING_SET_ON_MAX, IDC_POINT_COUNT, IDC_ROTATION_X,
                             IDC_ROTATION_Y, IDC_ROTATION_Z, IDC_ANIM_ROTATION_X, IDC_ANIM_ROTATION_Y,
                             IDC_ANIM_ROTATION_Z, IDC_SPREAD, IDC_SET_DEFAULTS, IDC_OPEN_ABOUT, IDOK};
        HWND control = GetDlgItem(dialog, IDOK);
        for (std::size_t step = 1; step < std::size(order); ++step) {
            control = GetNextDlgTabItem(dialog, control, FALSE);
            EXPECT_EQ(GetDlgCtrlID(control), order[step]) << "tab stop " << step;
        }

        Tick(dialog, IDC_SIZING_PING_PONG);
        ExpectTicks(dialog, {IDC_SIZING_PING_PONG}, {IDC_SIZING_MIN_TO_MAX, IDC_SIZING_SET_ON_MAX});
        Tick(dialog, IDC_SIZING_MIN_TO_MAX);
        ExpectTicks(dialog, {IDC_SIZING_MIN_TO_MAX}, {IDC_SIZING_PING_PONG, IDC_SIZING_SET_ON_MAX});
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    EXPECT_EQ(Stored().Sizing, 0);
}

TEST_F(ConfigureDialog, SecondaryColourShowsAgainAtThePositionItWasStoredFrom)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        // What OK and the next opening do, without closing the dialog 256 times.
        for (int position = 0; position <= 255; ++position) {
            Slide(dialog, IDC_SECONDARY_RED, position);
            Slide(dialog, IDC_SECONDARY_GREEN, 255 - position);
            Slide(dialog, IDC_SECONDARY_BLUE, position ^ 0x55);
            GetDialogItemsValues(dialog);
            ASSERT_TRUE(WriteConfig());
            ActualData = SS_Data{};
            for (int id : {IDC_SECONDARY_RED, IDC_SECONDARY_GREEN, IDC_SECONDARY_BLUE})
                Slide(dialog, id, 128 ^ position);
            ReadConfig();
            SetDialogItemsValues(dialog);
            ExpectPositions(dialog, {{IDC_SECONDARY_RED, position},
                                     {IDC_SECONDARY_GREEN, 255 - position},
                                     {IDC_SECONDARY_BLUE, position ^ 0x55}});
        }
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunConfiguration(), 0);
}

TEST_F(ConfigureDialog, HundredthsMayReopenOnePositionLower)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        Slide(dialog, IDC_SPEED, 1);
        Slide(dialog, IDC_ROTATION_X, 29);
        Slide(dialog, IDC_ROTATION_Y, 25);
        Slide(dialog, IDC_SPREAD, 26);
        Slide(dialog, IDC_SECONDARY_RED, 1);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    ActualData = SS_Data{};
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        ExpectPositions(dialog, {{IDC_SPEED, 0}, {IDC_ROTATION_X, 28}, {IDC_ROTATION_Y, 25}, {IDC_SPREAD, 25},
                                 {IDC_SECONDARY_RED, 1}});
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunConfiguration(), 0);
}

TEST_F(ConfigureDialog, TheMinimumSizeSliderStaysTenBelowTheMaximum)
{
    SS_Data record = DefaultData;
    record.Size_Max = 500.0f;
    record.Size_Min = 495.0f;
    Store(record);
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        // Too close when stored: the first slider to paint pushes the other away.
        const int max = Position(dialog, IDC_SIZE_MAX), min = Position(dialog, IDC_SIZE_MIN);
        EXPECT_EQ(max - min, 10);
        EXPECT_TRUE(max == 500 || min == 495) << max << ' ' << min;

        Slide(dialog, IDC_SIZE_MAX, 600);
        Slide(dialog, IDC_SIZE_MIN, 300);
        Slide(dialog, IDC_SIZE_MAX, 305);
        ExpectPositions(dialog, {{IDC_SIZE_MAX, 305}, {IDC_SIZE_MIN, 295}});

        Slide(dialog, IDC_SIZE_MAX, 405);
        Slide(dialog, IDC_SIZE_MIN, 395);
        ExpectPositions(dialog, {{IDC_SIZE_MAX, 405}, {IDC_SIZE_MIN, 395}});
        Slide(dialog, IDC_SIZE_MAX, 400);
        ExpectPositions(dialog, {{IDC_SIZE_MAX, 400}, {IDC_SIZE_MIN, 390}});

        Slide(dialog, IDC_SIZE_MAX, 705);
        Slide(dialog, IDC_SIZE_MIN, 690);
        Slide(dialog, IDC_SIZE_MIN, 700);
        ExpectPositions(dialog, {{IDC_SIZE_MAX, 710}, {IDC_SIZE_MIN, 700}});
        EXPECT_EQ(ActualData.Size_Max, 500.0f) << "sliders alone change no field";
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    EXPECT_EQ(Stored().Size_Max, 710.0f);
    EXPECT_EQ(Stored().Size_Min, 700.0f);
}

TEST_F(ConfigureDialog, StoredValuesOutsideTheRangesShowAtTheNearerEndAndAreStoredBack)
{
    Store(DefaultData);
    StoreValue("BCol_R", 300);
    StoreValue("PointCount", 5);
    StoreValue("Sizing", 3);
    StoreValue("Anim_B", 2);
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        ExpectPositions(dialog, {{IDC_BASE_RED, 0}, {IDC_POINT_COUNT, 10}});
        EXPECT_EQ(Text(dialog, IDC_COUNT_TEXT), "10");
        ExpectTicks(dialog, {IDC_ANIM_BLUE}, {IDC_SIZING_MIN_TO_MAX, IDC_SIZING_PING_PONG, IDC_SIZING_SET_ON_MAX});
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    SS_Data expected = Stored();
    EXPECT_EQ(expected.BCol_R, 255);
    EXPECT_EQ(expected.PointCount, 10);
    EXPECT_EQ(expected.Sizing, 3) << "no button selected keeps the stored value";
    EXPECT_EQ(expected.Anim_B, 1);

    StoreValue("BCol_R", static_cast<DWORD>(-10));
    ActualData = SS_Data{};
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        EXPECT_EQ(Position(dialog, IDC_BASE_RED), 255);
        Tick(dialog, IDC_SIZING_PING_PONG);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    EXPECT_EQ(Stored().BCol_R, 0);
    EXPECT_EQ(Stored().Sizing, 1);
}

TEST_F(ConfigureDialog, FloatsThatAreNoNumberInfiniteOrHugeShowAtAnEndAndAreStoredAsIt)
{
    Store(DefaultData);
    const std::pair<const char*, DWORD> stored[] = {
        {"SCol_R", 0x7FC00000},    // NaN
        {"SCol_G", 0x7F800000},    // infinity
        {"SCol_B", 0xFF800000},    // minus infinity
        {"Speed", 0x7F7FFFFF},     // the largest float
        {"Size_Max", 0x7FC00000},  // NaN
        {"Size_Min", 0xFFFFFFFF},  // a negative NaN
        {"RotX", 0xFF7FFFFF},      // the most negative float
        {"RotY", 0x4F800000},      // 2^32, beyond int
        {"RotZ", 0xFFC00000},      // a negative NaN
        {"Spread", 0x7FA00000},    // a signalling NaN
    };
    for (const auto& [name, bits] : stored)
        StoreValue(name, bits);
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        ExpectPositions(dialog, {{IDC_SECONDARY_RED, 0}, {IDC_SECONDARY_GREEN, 255}, {IDC_SECONDARY_BLUE, 0},
                                 {IDC_SPEED, 100}, {IDC_SIZE_MAX, 20}, {IDC_SIZE_MIN, 10}, {IDC_ROTATION_X, 0},
                                 {IDC_ROTATION_Y, 100}, {IDC_ROTATION_Z, 0}, {IDC_SPREAD, 25}});
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);

    SS_Data expected = DefaultData;
    expected.SCol_R = 0.0f;
    expected.SCol_G = 1.0f;
    expected.SCol_B = 0.0f;
    expected.Speed = 1.0f;
    expected.Size_Max = 20.0f;
    expected.Size_Min = 10.0f;
    expected.RotX = 0.0f;
    expected.RotY = 1.0f;
    expected.RotZ = 0.0f;
    expected.Spread = 0.25f;
    EXPECT_TRUE(SameRecord(expected, Stored()));
}

TEST_F(ConfigureDialog, AFailedStoreSaysSoAndKeepsTheDialogOpenWithTheEdits)
{
    // A non-volatile key cannot be made under a volatile one: a real refusal of the registry.
    HKEY parent;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillmora", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr), ERROR_SUCCESS);
    RegCloseKey(parent);

    std::string said;
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        Slide(dialog, IDC_POINT_COUNT, 777);
        Tick(dialog, IDC_ANIM_BLUE);
        Press(dialog, IDOK);
    });
    On("Nimbrel", [&](HWND box) {
        said = Text(box, 0xFFFF);
        Press(box, IDOK);
    });
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        ExpectPositions(dialog, {{IDC_POINT_COUNT, 777}});
        EXPECT_TRUE(IsTicked(dialog, IDC_ANIM_BLUE));
        EXPECT_NE(hBitmapConfig, nullptr) << "the banner is kept while the dialog stays";
        ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_SUCCESS);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    EXPECT_NE(said.find("could not be saved"), std::string::npos) << said;

    SS_Data expected = DefaultData;
    expected.SCol_G = expected.SCol_B = FloatFromBits(NEAREST_127_255);
    expected.PointCount = 777;
    expected.Anim_B = 1;
    EXPECT_TRUE(SameRecord(expected, Stored())) << "the second OK stores the edits";
}

TEST_F(ConfigureDialog, TheBannerIsDrawnUnscaledOnePixelInsideItsFrame)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        ExpectPictureInside(GetDlgItem(dialog, IDC_BANNER), hBitmapConfig);
        BITMAP size = {};
        GetObjectA(hBitmapConfig, sizeof size, &size);
        EXPECT_EQ(size.bmWidth, 462);
        EXPECT_EQ(size.bmHeight, 82);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunConfiguration(), 0);
    EXPECT_EQ(hBitmapConfig, nullptr);
}
