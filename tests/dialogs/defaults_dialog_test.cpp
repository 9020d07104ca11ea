#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/support/record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

namespace {

using DefaultsDialog = DialogTest;

const int GROUP_BOXES[] = {IDC_RESET_COLORS, IDC_RESET_MOVE, IDC_RESET_POINT_SIZE,
                           IDC_RESET_POINT_COUNT, IDC_RESET_ROTATION, IDC_RESET_SPREAD};

void ExpectEveryBoxTicked(HWND defaults)
{
    for (int box : GROUP_BOXES)
        EXPECT_TRUE(IsTicked(defaults, box)) << "box " << box;
}

// Leaves only the given boxes ticked; every opening ticks all six.
void TickOnly(HWND defaults, std::initializer_list<int> wanted)
{
    for (int box : GROUP_BOXES)
        if (std::find(wanted.begin(), wanted.end(), box) == wanted.end())
            Tick(defaults, box);
}

}  // namespace

TEST_F(DefaultsDialog, EveryGroupTickedGivesTheDefaultsAndEnterActsAsOk)
{
    Store(EditableRecord());
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        EXPECT_EQ(Position(dialog, IDC_POINT_COUNT), 1234);
        Press(dialog, IDC_SET_DEFAULTS);
    });
    On(DEFAULTS_CAPTION, [](HWND defaults) {
        ExpectEveryBoxTicked(defaults);
        PressKey(defaults, VK_RETURN);
    });
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        EXPECT_TRUE(SameRecord(DefaultData, ActualData));
        EXPECT_EQ(Position(dialog, IDC_POINT_COUNT), 50);
        EXPECT_EQ(Text(dialog, IDC_COUNT_TEXT), "50");
        EXPECT_EQ(Position(dialog, IDC_BASE_RED), 128);
        EXPECT_TRUE(IsTicked(dialog, IDC_SIZING_SET_ON_MAX));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    EXPECT_EQ(Stored().PointCount, 50);
    EXPECT_EQ(Stored().Spread, 2.0f);
}

TEST_F(DefaultsDialog, NoGroupTickedChangesNothingYetShowsTheRecordAgain)
{
    Store(EditableRecord());
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        // 29 hundredths are stored as a float just below 0.29, which shows at 28.
        Slide(dialog, IDC_SPEED, 29);
        Press(dialog, IDC_SET_DEFAULTS);
    });
    On(DEFAULTS_CAPTION, [](HWND defaults) {
        TickOnly(defaults, {});
        Press(defaults, IDOK);
    });
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        SS_Data edited = EditableRecord();
        edited.Speed = 0.29f;
        EXPECT_TRUE(SameRecord(edited, ActualData));
        EXPECT_EQ(Position(dialog, IDC_SPEED), 28) << "the controls were not set again";
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunConfiguration(), 0);
}

TEST_F(DefaultsDialog, OnlyPointCountTickedResetsOnlyThePointCount)
{
    Store(EditableRecord());
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        Slide(dialog, IDC_SPREAD, 111);
        Press(dialog, IDC_SET_DEFAULTS);
    });
    On(DEFAULTS_CAPTION, [](HWND defaults) {
        TickOnly(defaults, {IDC_RESET_POINT_COUNT});
        Press(defaults, IDOK);
    });
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        EXPECT_EQ(Position(dialog, IDC_POINT_COUNT), 50);
        EXPECT_EQ(Position(dialog, IDC_SPREAD), 111) << "an unsaved edit of another group is kept";
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    SS_Data expected = EditableRecord();
    expected.PointCount = 50;
    expected.Spread = 1.11f;
    EXPECT_TRUE(SameRecord(expected, Stored()));
}

TEST_F(DefaultsDialog, CancelOrEscapeKeepsTheUnsavedEditsAndTheNextOpeningTicksEveryBox)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        Slide(dialog, IDC_SPEED, 29);
        Slide(dialog, IDC_POINT_COUNT, 999);
        Tick(dialog, IDC_ANIM_BLUE);
        Tick(dialog, IDC_SIZING_PING_PONG);
        Press(dialog, IDC_SET_DEFAULTS);
    });
    On(DEFAULTS_CAPTION, [](HWND defaults) {
        TickOnly(defaults, {IDC_RESET_MOVE});
        Press(defaults, IDCANCEL);
    });
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDC_SET_DEFAULTS); });
    On(DEFAULTS_CAPTION, [](HWND defaults) {
        ExpectEveryBoxTicked(defaults);
        PressKey(defaults, VK_ESCAPE);
    });
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        EXPECT_EQ(Position(dialog, IDC_SPEED), 29);
        EXPECT_EQ(Position(dialog, IDC_POINT_COUNT), 999);
        EXPECT_TRUE(IsTicked(dialog, IDC_ANIM_BLUE));
        EXPECT_TRUE(IsTicked(dialog, IDC_SIZING_PING_PONG));
        EXPECT_FALSE(IsTicked(dialog, IDC_SIZING_SET_ON_MAX));
        Press(dialog, IDOK);
    });
    EXPECT_EQ(RunConfiguration(), 1);
    EXPECT_EQ(Stored().Speed, 0.29f);
    EXPECT_EQ(Stored().PointCount, 999);
}

TEST_F(DefaultsDialog, CancellingTheConfigurationAfterAResetStoresNothing)
{
    Store(EditableRecord());
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDC_SET_DEFAULTS); });
    On(DEFAULTS_CAPTION, [](HWND defaults) { Press(defaults, IDOK); });
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        EXPECT_EQ(Position(dialog, IDC_POINT_COUNT), 50);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunConfiguration(), 0);
    EXPECT_TRUE(SameRecord(EditableRecord(), Stored()));
}
