#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/support/record.h"

#include <gtest/gtest.h>

namespace {

using DefaultsDialog = DialogTest;

const int GROUP_BOXES[] = {IDC_RESET_COLORS, IDC_RESET_MOVE, IDC_RESET_POINT_SIZE,
                           IDC_RESET_POINT_COUNT, IDC_RESET_ROTATION, IDC_RESET_SPREAD};

// Every opening ticks all six boxes; this clears all but one, or all.
void TickOnly(HWND defaults, int kept)
{
    for (int box : GROUP_BOXES) {
        EXPECT_TRUE(IsTicked(defaults, box)) << box;
        if (box != kept)
            Tick(defaults, box);
    }
}

}  // namespace

TEST_F(DefaultsDialog, EveryGroupGivesTheDefaultsWhichCancelThenLeavesUnstored)
{
    Store(EditableRecord());
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDC_SET_DEFAULTS); });
    On(DEFAULTS_CAPTION, [](HWND defaults) { PressKey(defaults, VK_RETURN); });
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        EXPECT_TRUE(SameRecord(DefaultData, ActualData));
        EXPECT_EQ(Position(dialog, IDC_POINT_COUNT), 50);
        EXPECT_EQ(Text(dialog, IDC_COUNT_TEXT), "50");
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunConfiguration(), 0);
    EXPECT_TRUE(SameRecord(EditableRecord(), Stored()));
}

TEST_F(DefaultsDialog, NoGroupOrOnlyPointCountResetsJustThatAndShowsTheRecordAgain)
{
    Store(EditableRecord());
    SS_Data edited = EditableRecord();
    edited.Speed = 0.29f;  // just below 0.29, so it shows at 28
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        Slide(dialog, IDC_SPEED, 29);
        Press(dialog, IDC_SET_DEFAULTS);
    });
    On(DEFAULTS_CAPTION, [](HWND defaults) {
        TickOnly(defaults, 0);
        Press(defaults, IDOK);
    });
    On(CONFIGURE_CAPTION, [&](HWND dialog) {
        EXPECT_TRUE(SameRecord(edited, ActualData));
        EXPECT_EQ(Position(dialog, IDC_SPEED), 28) << "the controls show the record again";
        Press(dialog, IDC_SET_DEFAULTS);
    });
    On(DEFAULTS_CAPTION, [](HWND defaults) {
        TickOnly(defaults, IDC_RESET_POINT_COUNT);
        Press(defaults, IDOK);
    });
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDOK); });
    EXPECT_EQ(RunConfiguration(), 1);
    edited.PointCount = DefaultData.PointCount;
    edited.Speed = 0.28f;
    EXPECT_TRUE(SameRecord(edited, Stored()));
}

TEST_F(DefaultsDialog, CancelOrEscapeKeepsTheUnsavedEdits)
{
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        Slide(dialog, IDC_SPEED, 29);
        Tick(dialog, IDC_SIZING_PING_PONG);
        Press(dialog, IDC_SET_DEFAULTS);
    });
    On(DEFAULTS_CAPTION, [](HWND defaults) {
        TickOnly(defaults, IDC_RESET_MOVE);
        Press(defaults, IDCANCEL);
    });
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDC_SET_DEFAULTS); });
    On(DEFAULTS_CAPTION, [](HWND defaults) { PressKey(defaults, VK_ESCAPE); });
    On(CONFIGURE_CAPTION, [](HWND dialog) {
        EXPECT_EQ(Position(dialog, IDC_SPEED), 29);
        EXPECT_TRUE(IsTicked(dialog, IDC_SIZING_PING_PONG));
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(RunConfiguration(), 0);
}
