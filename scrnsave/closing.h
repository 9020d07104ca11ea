// The rules by which the full-screen saver ends, and how its messages are routed
// once it is ending. Pure: they look only at what they are given.
#pragma once

#include <windows.h>

// Where the library sends a message of the saver window before the saver sees it.
enum class Route {
    Saver,    // to ScreenSaverProc
    Swallow,  // nowhere: answered with 0
    Default,  // past the saver, straight to DefWindowProc
};

// Once the full-screen saver is closing, its timers, input and paints pass it by.
Route RouteMessage(bool preview, bool closing, UINT message, WPARAM wParam);

// Whether a message of the full-screen saver ends it: a key, any mouse button or
// a turn of the wheel always does; a cursor move, or a loss of activation, once
// the cursor stands more than CURSOR_JITTER pixels (across and down together)
// from where it stood when the window was made.
enum class Ending { No, Yes, IfMoved };
constexpr long CURSOR_JITTER = 4;

Ending EndingOf(UINT message, WPARAM wParam);
bool CursorMoved(POINT start, POINT cursor);
