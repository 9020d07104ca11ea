#include "dialogs/controls.h"
#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "tests/support.h"

#include <map>

namespace {

void ExpectPositions(HWND dialog, const std::map<int, int>& positions)
{
    for (const auto& [id, position] : positions)
        EXPECT_EQ(Position(dialog, id), position) << "trackbar " << id;
}

TEST(ConfigureDialog, OpensOnTheDefaultsAndOkStoresTheirExactBytes)
{
    On(CONFIGURE, [](HWND dialog) {
        ExpectPositions(dialog, {{IDC_BASE_RED, 128}, {IDC_BASE_GREEN, 128}, {IDC_BASE_BLUE, 255}, {IDC_SECONDARY_RED, 255},
                                 {IDC_SECONDARY_GREEN, 127}, {IDC_SECONDARY_BLUE, 127}, {IDC_SPEED, 25}, {IDC_SIZE_MAX, 600},
                                 {IDC_SIZE_MIN, 300}, {IDC_POINT_COUNT, 50}, {IDC_ROTATION_X, 25}, {IDC_SPREAD, 200}});
        EXPECT_EQ(Text(dialog, IDC_COUNT_TEXT), "50");
        const std::map<int, bool> ticked = {{IDC_ANIM_RED, true}, {IDC_ANIM_BLUE, false}, {IDC_ANIM_ROTATING, true},
                                            {IDC_ANIM_ROTATION_Z, false}, {IDC_SIZING_MIN_TO_MAX, false}, {IDC_SIZING_SET_ON_MAX, true}};
        for (const auto& [id, expected] : ticked)
            EXPECT_EQ(IsTicked(dialog, id), expected) << id;
        Press(dialog, IDOK);
    });
    RunConfiguration();
    // In record order; the secondary green and blue come back from position 127 as the float nearest 127/255.
    const DWORD stored[FIELD_COUNT] = {0x7F, 0x7F, 0, 0x3F800000, 0x3EFEFEFF, 0x3EFEFEFF, 1, 1, 0, 0x3E800000, 1,
                                       0x44160000, 0x43960000, 2, 50, 0x3E800000, 0x3E800000, 0x3E800000, 0, 0, 0, 0x40000000};
    for (int i = 0; i < FIELD_COUNT; ++i) {
        DWORD bits = 0, size = sizeof bits;
        EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, CONFIG_KEY, Fields[i].Name, RRF_RT_REG_DWORD, nullptr, &bits, &size), ERROR_SUCCESS);
        EXPECT_EQ(bits, stored[i]) << Fields[i].Name;
    }
}

TEST(ConfigureDialog, AKeyWithOneValueShowsTheDefaultsForTheRest)
{
    StoreSetting("Speed", Bits(0.29f));
    On(CONFIGURE, [](HWND dialog) {
        ExpectPositions(dialog, {{IDC_SPEED, 29}, {IDC_POINT_COUNT, 50}, {IDC_SIZE_MAX, 600}, {IDC_SPREAD, 200}});
        Press(dialog, IDCANCEL);
    });
    RunConfiguration();
}

TEST(ConfigureDialog, IsOwnedByTheWindowThatTheCommandLineNames)
{
    HWND settings = CreateWindowA("STATIC", "settings", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND front = CreateWindowA("STATIC", "front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(settings));
    for (const std::string& tail : {"/c:" + handle, "/C " + handle, std::string("/c")}) {
        ASSERT_TRUE(SetForegroundWindow(front));
        On(CONFIGURE, [&](HWND dialog) {
            HWND owner = tail == "/c" ? front : settings;
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner) << tail;
            EXPECT_FALSE(IsWindowEnabled(owner)) << tail;
            Press(dialog, IDCANCEL);
        });
        RunConfiguration(tail);
    }
}

TEST(ConfigureDialog, AValueThatAPositionStoredShowsThereAgain)
{
    for (const FieldInfo& field : Fields) {
        for (int position = field.Low; IsTrackbar(field) && position <= field.High; ++position) {
            SS_Data stored = {};
            StoreTrackbarPosition(stored, field, position);
            ASSERT_EQ(TrackbarPosition(stored, field), position) << field.Name;
        }
    }
    // Between two positions a value still truncates: 0.5 x 255 shows at 127.
    SS_Data data = DefaultData;
    EXPECT_EQ(TrackbarPosition(data, FieldNamed("SCol_G")), 127);
}

TEST(ConfigureDialog, StoredValuesOutsideTheRangesShowAtAnEndAndAreStoredInRange)
{
    const struct {
        const char* Name;
        DWORD Bits;
        int Control, Shown;
        DWORD StoredBack;
    } cases[] = {
        {"BCol_R", 300, IDC_BASE_RED, 0, 255},
        {"BCol_B", static_cast<DWORD>(-10), IDC_BASE_BLUE, 255, 0},
        {"PointCount", 5, IDC_POINT_COUNT, 10, 10},
        {"SCol_R", 0x7FC00000, IDC_SECONDARY_RED, 0, 0},               // NaN
        {"SCol_G", 0x7F800000, IDC_SECONDARY_GREEN, 255, 0x3F800000},  // infinity
        {"Speed", 0x7F7FFFFF, IDC_SPEED, 100, 0x3F800000},             // the largest float
        {"Size_Max", 0xFFFFFFFF, IDC_SIZE_MAX, 20, 0x41A00000},        // a negative NaN
        {"RotY", 0x4F800000, IDC_ROTATION_Y, 100, 0x3F800000},         // 2^32, beyond int
        {"Spread", 0x7FC00000, IDC_SPREAD, 25, 0x3E800000},
    };
    StoreRecord(DistinctRecord());
    for (const auto& c : cases)
        StoreSetting(c.Name, c.Bits);
    StoreSetting("Sizing", DWORD{3});
    StoreSetting("Anim_B", DWORD{2});
    On(CONFIGURE, [&](HWND dialog) {
        for (const auto& c : cases)
            EXPECT_EQ(Position(dialog, c.Control), c.Shown) << c.Name;
        EXPECT_EQ(Text(dialog, IDC_COUNT_TEXT), "10");
        EXPECT_TRUE(IsTicked(dialog, IDC_ANIM_BLUE));
        for (int id : {IDC_SIZING_MIN_TO_MAX, IDC_SIZING_PING_PONG, IDC_SIZING_SET_ON_MAX})
            EXPECT_FALSE(IsTicked(dialog, id)) << id;
        Press(dialog, IDOK);
    });
    RunConfiguration();
    SS_Data expected = DistinctRecord();
    for (const auto& c : cases)
        SetFieldBits(expected, FieldNamed(c.Name), c.StoredBack);
    expected.Size_Min = 10.0f;  // moved by the coupling, with the maximum at 20
    expected.Sizing = 3;
    expected.Anim_B = 1;
    EXPECT_TRUE(SameRecord(expected, StoredRecord()));
}

TEST(ConfigureDialog, TheMinimumSizeStaysTenBelowTheMaximum)
{
    On(CONFIGURE, [](HWND dialog) {
        Slide(dialog, IDC_SIZE_MAX, 305);
        ExpectPositions(dialog, {{IDC_SIZE_MAX, 305}, {IDC_SIZE_MIN, 295}});
        Slide(dialog, IDC_SIZE_MAX, 405);
        Slide(dialog, IDC_SIZE_MIN, 395);
        Slide(dialog, IDC_SIZE_MAX, 400);
        ExpectPositions(dialog, {{IDC_SIZE_MAX, 400}, {IDC_SIZE_MIN, 390}});
        Slide(dialog, IDC_SIZE_MAX, 705);
        Slide(dialog, IDC_SIZE_MIN, 690);
        Slide(dialog, IDC_SIZE_MIN, 700);
        ExpectPositions(dialog, {{IDC_SIZE_MAX, 710}, {IDC_SIZE_MIN, 700}});
        Press(dialog, IDOK);
    });
    RunConfiguration();
    EXPECT_EQ(StoredRecord().Size_Max, 710.0f);
    EXPECT_EQ(StoredRecord().Size_Min, 700.0f);
}

TEST(DefaultsDialog, EachBoxResetsExactlyItsGroupAndCancelKeepsTheEdits)
{
    const struct {
        int Box;
        std::string Fields;
    } groups[] = {
        {IDC_RESET_COLORS, " BCol_R BCol_G BCol_B SCol_R SCol_G SCol_B Anim_R Anim_G Anim_B "},
        {IDC_RESET_MOVE, " Speed Anim_Rotating "},
        {IDC_RESET_POINT_SIZE, " Size_Max Size_Min Sizing "},
        {IDC_RESET_POINT_COUNT, " PointCount "},
        {IDC_RESET_ROTATION, " RotX RotY RotZ Anim_RotX Anim_RotY Anim_RotZ "},
        {IDC_RESET_SPREAD, " Spread "},
    };
    StoreRecord(DistinctRecord());
    for (const auto& group : groups) {
        On(CONFIGURE, [](HWND dialog) { Press(dialog, IDC_SET_DEFAULTS); });
        On(DEFAULTS, [&](HWND defaults) {
            for (const auto& other : groups)
                if (other.Box != group.Box)
                    Tick(defaults, other.Box);
            Press(defaults, IDOK);
        });
        On(CONFIGURE, [&](HWND dialog) {
            SS_Data expected = DistinctRecord();
            for (const FieldInfo& field : Fields)
                if (group.Fields.find(' ' + std::string(field.Name) + ' ') != std::string::npos)
                    CopyField(expected, DefaultData, field);
            EXPECT_TRUE(SameRecord(expected, ActualData)) << group.Fields;
            Press(dialog, IDCANCEL);
        });
        RunConfiguration();
    }
    On(CONFIGURE, [](HWND dialog) {
        Slide(dialog, IDC_SPEED, 29);
        Tick(dialog, IDC_SIZING_PING_PONG);
        Press(dialog, IDC_SET_DEFAULTS);
    });
    On(DEFAULTS, [](HWND defaults) { PressKey(defaults, VK_ESCAPE); });
    On(CONFIGURE, [](HWND dialog) {
        EXPECT_EQ(Position(dialog, IDC_SPEED), 29);
        EXPECT_TRUE(IsTicked(dialog, IDC_SIZING_PING_PONG));
        Press(dialog, IDCANCEL);
    });
    RunConfiguration();
    EXPECT_TRUE(SameRecord(DistinctRecord(), StoredRecord())) << "Cancel stores nothing, not even a reset";
}

TEST(ConfigureDialog, AFailedStoreKeepsTheDialogAndEveryEditForASecondOk)
{
    // A non-volatile key cannot be made under a volatile one: a real refusal of the registry.
    HKEY parent;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillmora", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr), ERROR_SUCCESS);
    RegCloseKey(parent);
    const SS_Data edits = DistinctRecord();
    std::string said;
    On(CONFIGURE, [&](HWND dialog) {
        ActualData = edits;
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
        EXPECT_TRUE(SameRecord(edits, ActualData)) << "the controls still hold every edit";
        EXPECT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_SUCCESS);
        Press(dialog, IDOK);
    });
    RunConfiguration();
    EXPECT_NE(said.find("could not be saved"), std::string::npos) << said;
    EXPECT_TRUE(SameRecord(edits, StoredRecord())) << "the second OK stores the edits";
}

TEST(ConfigureDialog, ThePicturesGoWithTheirDialogs)
{
    std::vector<HBITMAP> pictures;
    for (int opening = 0; opening < 3; ++opening) {
        On(CONFIGURE, [&](HWND dialog) {
            ExpectPictureShown(GetDlgItem(dialog, IDC_BANNER), hBitmapConfig);
            pictures.push_back(hBitmapConfig);
            Press(dialog, IDC_OPEN_ABOUT);
        });
        On(ABOUT, [&, opening](HWND about) {
            pictures.push_back(hBitmapAbout);
            if (opening == 0)
                Press(about, IDOK);
            else
                PressKey(about, opening == 1 ? VK_RETURN : VK_ESCAPE);
        });
    }
    On(CONFIGURE, [](HWND dialog) { Press(dialog, IDCANCEL); });
    RunConfiguration();
    ASSERT_EQ(pictures.size(), 6u);
    for (HBITMAP picture : pictures) {
        EXPECT_TRUE(picture);
        EXPECT_EQ(GetObjectType(picture), 0u) << "a picture was left behind";
    }
}

}  // namespace
