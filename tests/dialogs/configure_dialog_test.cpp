#include "dialogs/controls.h"
#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/support/record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

using ConfigureDialog = DialogTest;

void ExpectPositions(HWND dialog, const std::map<int, int>& positions)
{
    for (const auto& [id, position] : positions)
        EXPECT_EQ(Position(dialog, id), position) << "trackbar " << id;
}

// The defaults as OK right after opening stores them: 127/255 is not 0.5.
SS_Data DefaultsThroughTheControls()
{
    SS_Data data = DefaultData;
    const std::uint32_t nearest127of255 = 0x3EFEFEFF;
    std::memcpy(&data.SCol_G, &nearest127of255, 4);
    std::memcpy(&data.SCol_B, &nearest127of255, 4);
    return data;
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
        for (int id : {IDC_ANIM_RED, IDC_ANIM_GREEN, IDC_ANIM_ROTATING, IDC_SIZING_SET_ON_MAX})
            EXPECT_TRUE(IsTicked(dialog, id)) << id;
        for (int id : {IDC_ANIM_BLUE, IDC_ANIM_ROTATION_X, IDC_ANIM_ROTATION_Y, IDC_ANIM_ROTATION_Z,
                       IDC_SIZING_MIN_TO_MAX, IDC_SIZING_PING_PONG})
            EXPECT_FALSE(IsTicked(dialog, id)) << id;
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    EXPECT_TRUE(SameRecord(DefaultsThroughTheControls(), Stored()));
}

TEST_F(ConfigureDialog, SlidersReopenWhereTheyWereStoredOrOneLowerForHundredths)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        // What OK and the next opening do, without closing the dialog 256 times.
        for (int position = 0; position <= 255; ++position) {
            Slide(dialog, IDC_SECONDARY_RED, position);
            Slide(dialog, IDC_SECONDARY_GREEN, 255 - position);
            GetDialogItemsValues(dialog);
            ASSERT_TRUE(WriteConfig());
            ActualData = SS_Data{};
            ReadConfig();
            Slide(dialog, IDC_SECONDARY_RED, position ^ 0x80);
            SetDialogItemsValues(dialog);
            ExpectPositions(dialog, {{IDC_SECONDARY_RED, position}, {IDC_SECONDARY_GREEN, 255 - position}});
        }
        Slide(dialog, IDC_SPEED, 1);
        Slide(dialog, IDC_ROTATION_X, 29);
        Slide(dialog, IDC_ROTATION_Y, 25);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        ExpectPositions(dialog, {{IDC_SPEED, 0}, {IDC_ROTATION_X, 28}, {IDC_ROTATION_Y, 25}, {IDC_SECONDARY_RED, 255}});
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunConfiguration(), 0);
}

TEST_F(ConfigureDialog, TheMinimumSizeSliderStaysTenBelowTheMaximum)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) {
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
        EXPECT_EQ(ActualData.Size_Max, 600.0f) << "sliders alone change no field";
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    EXPECT_EQ(Stored().Size_Max, 710.0f);
    EXPECT_EQ(Stored().Size_Min, 700.0f);
}

TEST_F(ConfigureDialog, StoredValuesOutsideTheRangesShowAtTheNearerEndAndAreStoredAsShown)
{
    struct Case {
        const char* Name;
        DWORD Bits;
        int Control, Shown;
        DWORD StoredBack;
    };
    const Case cases[] = {
        {"BCol_R", 300, IDC_BASE_RED, 0, 255},
        {"BCol_B", static_cast<DWORD>(-10), IDC_BASE_BLUE, 255, 0},
        {"PointCount", 5, IDC_POINT_COUNT, 10, 10},
        {"SCol_R", 0x7FC00000, IDC_SECONDARY_RED, 0, 0},                 // NaN
        {"SCol_G", 0x7F800000, IDC_SECONDARY_GREEN, 255, 0x3F800000},    // infinity: 1.0
        {"SCol_B", 0xFF800000, IDC_SECONDARY_BLUE, 0, 0},                // minus infinity
        {"Speed", 0x7F7FFFFF, IDC_SPEED, 100, 0x3F800000},               // the largest float
        {"Size_Max", 0xFFFFFFFF, IDC_SIZE_MAX, 20, 0x41A00000},          // a negative NaN: 20.0
        {"Size_Min", 0x7FA00000, IDC_SIZE_MIN, 10, 0x41200000},          // a signalling NaN: 10.0
        {"RotX", 0xFF7FFFFF, IDC_ROTATION_X, 0, 0},                      // the most negative float
        {"RotY", 0x4F800000, IDC_ROTATION_Y, 100, 0x3F800000},           // 2^32, beyond int
        {"Spread", 0x7FC00000, IDC_SPREAD, 25, 0x3E800000},              // NaN: 0.25
    };
    Store(DefaultData);
    for (const Case& c : cases)
        StoreSetting(c.Name, c.Bits);
    StoreSetting("Sizing", DWORD{3});
    StoreSetting("Anim_B", DWORD{2});
    On(CONFIGURE_CAPTION, [&](HWND dialog) {
        for (const Case& c : cases)
            EXPECT_EQ(Position(dialog, c.Control), c.Shown) << c.Name;
        EXPECT_EQ(Text(dialog, IDC_COUNT_TEXT), "10");
        EXPECT_TRUE(IsTicked(dialog, IDC_ANIM_BLUE));
        for (int id : {IDC_SIZING_MIN_TO_MAX, IDC_SIZING_PING_PONG, IDC_SIZING_SET_ON_MAX})
            EXPECT_FALSE(IsTicked(dialog, id)) << id;
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    SS_Data expected = DefaultsThroughTheControls();
    for (const Case& c : cases)
        SetFieldBits(expected, FieldNamed(c.Name), c.StoredBack);
    expected.Sizing = 3;
    expected.Anim_B = 1;
    EXPECT_TRUE(SameRecord(expected, Stored()));
}

TEST_F(ConfigureDialog, AFailedStoreSaysSoAndKeepsTheDialogOpenWithTheEdits)
{
    // A non-volatile key cannot be made under a volatile one: a real refusal of the registry.
    HKEY parent;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillmora", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr), ERROR_SUCCESS);
    RegCloseKey(parent);

    // Every control edited as a user would: slid, ticked or picked.
    const SS_Data edits = EditableRecord();
    std::string said;
    On(CONFIGURE_CAPTION, [&](HWND dialog) {
        for (const FieldInfo& field : Fields) {
            if (IsTrackbar(field))
                Slide(dialog, field.ControlId, TrackbarPosition(edits, field));
            else if (field.Control == ControlKind::TickBox && IsTicked(dialog, field.ControlId) != (FieldBits(edits, field) != 0))
                Tick(dialog, field.ControlId);
        }
        Tick(dialog, IDC_SIZING_MIN_TO_MAX + edits.Sizing);
        Press(dialog, IDOK);
    });
    On("Nimbrel", [&](HWND box) {
        said = Text(box, 0xFFFF);  // a message box's text
        Press(box, IDOK);
    });
    On(CONFIGURE_CAPTION, [&](HWND dialog) {
        EXPECT_NE(hBitmapConfig, nullptr) << "the banner goes only with the dialog";
        ActualData = SS_Data{};
        GetDialogItemsValues(dialog);
        EXPECT_TRUE(SameRecord(edits, ActualData)) << "the controls still hold every edit";
        EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_SUCCESS);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    EXPECT_NE(said.find("could not be saved"), std::string::npos) << said;
    EXPECT_TRUE(SameRecord(edits, Stored())) << "the second OK stores the edits";
}
