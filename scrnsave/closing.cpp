#include "scrnsave/closing.h"

#include "scrnsave/scrnsave.h"

#include <cstdlib>

namespace {

bool IsInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

// Switching windows, closing or starting another saver must not get past a running saver.
bool IsBlockedSystemCommand(UINT message, WPARAM wParam)
{
    if (message != WM_SYSCOMMAND)
        return false;
    switch (wParam & 0xFFF0) {
    case SC_NEXTWINDOW:
    case SC_PREVWINDOW:
    case SC_CLOSE:
    case SC_SCREENSAVE:
        return true;
    }
    return false;
}

}  // namespace

Route RouteMessage(bool preview, bool closing, UINT message, WPARAM wParam)
{
    if (preview)
        return Route::Saver;
    if (IsBlockedSystemCommand(message, wParam))
        return Route::Swallow;
    if (closing) {
        if (message == WM_TIMER)
            return Route::Swallow;
        if (IsInput(message) || message == WM_PAINT)
            return Route::Default;
    }
    return Route::Saver;
}

Ending EndingOf(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        return Ending::Yes;
    case WM_MOUSEMOVE:
        return Ending::IfMoved;
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        return wParam ? Ending::No : Ending::IfMoved;
    case WM_ACTIVATE:
        return LOWORD(wParam) == WA_INACTIVE ? Ending::IfMoved : Ending::No;
    }
    return Ending::No;
}

bool CursorMoved(POINT start, POINT cursor)
{
    // An optical mouse on a desk wanders by a pixel or two; a hand on it moves more.
    return std::abs(cursor.x - start.x) + std::abs(cursor.y - start.y) > CURSOR_JITTER;
}
