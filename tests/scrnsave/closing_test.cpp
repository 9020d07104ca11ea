#include "scrnsave/closing.h"

#include <gtest/gtest.h>

TEST(Closing, PressesEndTheSaverAndMovesEndItOnlyAwayFromTheStart)
{
    for (UINT press : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN})
        EXPECT_EQ(EndingOf(press, 0), Ending::Yes) << press;
    for (UINT other : {WM_KEYUP, WM_SYSKEYUP, WM_LBUTTONUP, WM_CHAR, WM_TIMER, WM_PAINT, WM_SIZE, WM_MOUSEWHEEL, WM_SETCURSOR})
        EXPECT_EQ(EndingOf(other, 0), Ending::No) << other;
    EXPECT_EQ(EndingOf(WM_MOUSEMOVE, 0), Ending::IfMoved);

    // A jitter of up to 4 pixels in all, across and down together, is no move.
    const POINT start = {100, 200};
    for (POINT still : {POINT{100, 200}, POINT{104, 200}, POINT{96, 200}, POINT{100, 196}, POINT{102, 202}, POINT{97, 201}})
        EXPECT_FALSE(CursorMoved(start, still)) << still.x << ", " << still.y;
    for (POINT moved : {POINT{105, 200}, POINT{100, 205}, POINT{103, 202}, POINT{97, 198}, POINT{-100, 200}})
        EXPECT_TRUE(CursorMoved(start, moved)) << moved.x << ", " << moved.y;
}

TEST(Closing, LosingActivationEndsTheSaverOnlyOnceTheCursorHasMoved)
{
    EXPECT_EQ(EndingOf(WM_ACTIVATEAPP, FALSE), Ending::IfMoved);
    EXPECT_EQ(EndingOf(WM_ACTIVATEAPP, TRUE), Ending::No);
    EXPECT_EQ(EndingOf(WM_NCACTIVATE, FALSE), Ending::IfMoved);
    EXPECT_EQ(EndingOf(WM_ACTIVATE, WA_INACTIVE), Ending::IfMoved);
    EXPECT_EQ(EndingOf(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)), Ending::IfMoved);
    EXPECT_EQ(EndingOf(WM_ACTIVATE, WA_ACTIVE), Ending::No);
    EXPECT_EQ(EndingOf(WM_ACTIVATE, WA_CLICKACTIVE), Ending::No);
}

TEST(Closing, AClosingSaverSeesNoTimerInputOrPaint)
{
    EXPECT_EQ(RouteMessage(false, true, WM_TIMER, 1), Route::Swallow);
    for (UINT input : {WM_KEYDOWN, WM_CHAR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_MOUSEWHEEL, WM_PAINT})
        EXPECT_EQ(RouteMessage(false, true, input, 0), Route::Default) << input;
    for (UINT other : {WM_DESTROY, WM_CLOSE, WM_SIZE, WM_CREATE})
        EXPECT_EQ(RouteMessage(false, true, other, 0), Route::Saver) << other;

    // Until it is closing, everything reaches the saver.
    for (UINT message : {WM_TIMER, WM_KEYDOWN, WM_MOUSEMOVE, WM_PAINT})
        EXPECT_EQ(RouteMessage(false, false, message, 0), Route::Saver) << message;
}

TEST(Closing, FullScreenSwallowsWindowSwitchingCloseAndSaverCommands)
{
    for (WPARAM command : {SC_NEXTWINDOW, SC_PREVWINDOW, SC_CLOSE, SC_SCREENSAVE}) {
        EXPECT_EQ(RouteMessage(false, false, WM_SYSCOMMAND, command), Route::Swallow) << command;
        // The low four bits are the system's own and do not change the command.
        EXPECT_EQ(RouteMessage(false, false, WM_SYSCOMMAND, command | 0xF), Route::Swallow) << command;
        EXPECT_EQ(RouteMessage(true, false, WM_SYSCOMMAND, command), Route::Saver) << command;
    }
    EXPECT_EQ(RouteMessage(false, false, WM_SYSCOMMAND, SC_MINIMIZE), Route::Saver);
}

TEST(Closing, PreviewPassesEverythingToTheSaver)
{
    for (UINT message : {WM_TIMER, WM_KEYDOWN, WM_MOUSEMOVE, WM_PAINT, WM_SYSCOMMAND})
        EXPECT_EQ(RouteMessage(true, true, message, SC_CLOSE), Route::Saver) << message;
}
