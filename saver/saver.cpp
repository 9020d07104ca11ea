#include "saver/saver.h"

#include "resources/resource.h"
#include "settings/settings.h"

#include <scrnsave.h>

#include <memory>
#include <new>

OGLSCENE GLScene;
UINT_PTR TimerName;
HINSTANCE hInstance;

namespace {

bool monitorsOff;

constexpr int HALO_SIDE = 64;
constexpr int SPRITE_BYTES = HALO_SIDE * HALO_SIDE;
constexpr int BITS_BYTES = SPRITE_BYTES * 4;

// Everything the saver needs before its first frame. When the scene cannot get
// an OpenGL context, or the working memory cannot be had, the saver closes
// quietly: no timer, no context left behind, and the process ends normally.
void StartSaver(HWND window, const CREATESTRUCTA& creation)
{
    hInstance = creation.hInstance;
    std::unique_ptr<unsigned char[]> sprite(new (std::nothrow) unsigned char[SPRITE_BYTES]);
    std::unique_ptr<unsigned char[]> bits(new (std::nothrow) unsigned char[BITS_BYTES]);
    bool created = sprite && bits && LoadHaloSprite(hInstance, sprite.get(), bits.get());
    if (created) {
        try {
            GLScene.Create(window, sprite.get());
        } catch (const char*) {
            created = false;
        }
    }
    if (!created) {
        GLScene.Destroy(window);
        PostMessageA(window, WM_CLOSE, 0, 0);
        return;
    }
    ReadConfig();
    GLScene.SetSSData(ActualData);
    TimerName = SetTimer(window, ANIMATION_TIMER_ID, ANIMATION_PERIOD_MS, nullptr);
}

struct MonitorList {
    RECT Areas[MAX_MONITORS];
    unsigned Count = 0;
};

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT area, LPARAM list)
{
    auto& monitors = *reinterpret_cast<MonitorList*>(list);
    monitors.Areas[monitors.Count++] = *area;
    return monitors.Count < MAX_MONITORS;
}

// Full screen, the window spans every monitor; each gets a cloud of its own.
// The preview is one picture, whatever monitors its host lies on.
void ShareAmongMonitors(HWND window)
{
    if (fChildPreview)
        return;
    MonitorList monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    RECT area, viewports[MAX_MONITORS];
    GetWindowRect(window, &area);
    const unsigned count = MonitorViewports(area, monitors.Areas, monitors.Count, viewports, MAX_MONITORS);
    GLScene.SetMonitors(viewports, count, area.bottom - area.top);
}

}  // namespace

unsigned MonitorViewports(const RECT& window, const RECT* monitors, unsigned count, RECT* viewports, unsigned capacity)
{
    unsigned written = 0;
    for (unsigned i = 0; i < count && written < capacity; ++i) {
        RECT part;
        if (!IntersectRect(&part, &window, &monitors[i]))
            continue;
        OffsetRect(&part, -window.left, -window.top);
        viewports[written++] = part;
    }
    return written;
}

bool LoadHaloSprite(HINSTANCE instance, unsigned char* sprite, unsigned char* bits)
{
    // A DIB section keeps the picture's own 24-bit pixels, and GetDIBits converts
    // them to 32 bits, top row first, whatever the display's depth.
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_HALO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return false;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = HALO_SIDE;
    format.bmiHeader.biHeight = -HALO_SIDE;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, HALO_SIDE, bits, &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    if (rows != HALO_SIDE)
        return false;
    // The picture is grey, so the first byte of each pixel, its blue, is its level.
    for (int i = 0; i < SPRITE_BYTES; ++i)
        sprite[i] = bits[4 * i];
    return true;
}

bool MonitorsOffAfter(bool off, WPARAM command, LPARAM state)
{
    if ((command & 0xFFF0) != SC_MONITORPOWER)
        return off;
    return state == MONITOR_POWER_OFF;
}

LRESULT WINAPI ScreenSaverProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        StartSaver(hWnd, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
        break;
    case WM_SIZE:
        GLScene.Resize(LOWORD(lParam), HIWORD(lParam));
        ShareAmongMonitors(hWnd);
        break;
    case WM_TIMER:
        // Dark monitors need no frames, but the scene moves on, so that nothing jumps when they wake.
        if (monitorsOff)
            Animate(GLScene);
        else
            GLScene.Timer();
        break;
    case WM_SYSCOMMAND:
        monitorsOff = MonitorsOffAfter(monitorsOff, wParam, lParam);
        break;
    case WM_DESTROY:
        if (TimerName)
            KillTimer(hWnd, TimerName);
        GLScene.Destroy(hWnd);
        break;
    }
    return DefScreenSaverProc(hWnd, message, wParam, lParam);
}
