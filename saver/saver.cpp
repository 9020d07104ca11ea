#include "saver/saver.h"

#include "resources/resource.h"
#include "settings/preview_link.h"
#include "settings/settings.h"

#include "scrnsave/scrnsave.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <optional>

OGLSCENE GLScene;
TickClock AnimationClock;
HINSTANCE hInstance;

namespace {

bool monitorsOff;
HPOWERNOTIFY displayStateNotification;
FrameScaler frameScaler;
// When the last frame started, if the one before this was drawn, and what it cost.
std::optional<double> lastFrameStart;
double lastFrameDrawn;

constexpr int HALO_SIDE = 64;
constexpr int SPRITE_BYTES = HALO_SIDE * HALO_SIDE;
constexpr int BITS_BYTES = SPRITE_BYTES * 4;

// Everything the saver needs before its first frame. When the scene cannot get
// an OpenGL context, or the working memory cannot be had, the saver closes
// quietly: no frames, no context left behind, and the process ends normally.
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
    AnimationClock = {};
    frameScaler = {};
    lastFrameStart.reset();
    monitorsOff = false;
    // A display can wake without another monitor-power command; Windows says so here.
    displayStateNotification = RegisterPowerSettingNotification(window, &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE);
    // A host that edits the settings shows its own from the first frame: asked once the window is made.
    if (fChildPreview)
        PostMessageA(window, PreviewMessages().Changed, 0, 0);
}

// The host answers with WM_COPYDATA while this waits, if it is our configuration
// dialog's pane; any other host ignores the message.
void AskHostForSettings(HWND window)
{
    SendMessageTimeoutA(GetParent(window), PreviewMessages().Ask, reinterpret_cast<WPARAM>(window), 0, SMTO_ABORTIFHUNG, 1000, nullptr);
}

// Only a preview takes settings, and only from its host.
void TakeSettings(HWND window, WPARAM sender, LPARAM copy)
{
    SS_Data data = GLScene.Data;
    if (fChildPreview && GLScene.hRC && copy && reinterpret_cast<HWND>(sender) == GetParent(window)
        && RecordFromCopy(*reinterpret_cast<const COPYDATASTRUCT*>(copy), data))
        GLScene.ChangeSSData(data);
}

UINT SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

// GetDpiForMonitor came with Windows 8.1; before it every monitor has the system's DPI.
UINT MonitorDpi(HMONITOR monitor)
{
    using GetDpiForMonitorProc = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpiForMonitor = reinterpret_cast<GetDpiForMonitorProc>(reinterpret_cast<void (*)()>(
        GetProcAddress(LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor")));
    const int MDT_EFFECTIVE_DPI = 0;
    UINT x, y;
    if (getDpiForMonitor && getDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &x, &y) == S_OK)
        return x;
    return SystemDpi();
}

struct MonitorList {
    SceneView Views[MAX_MONITORS];
    unsigned Count = 0;
};

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT area, LPARAM list)
{
    auto& monitors = *reinterpret_cast<MonitorList*>(list);
    monitors.Views[monitors.Count++] = {*area, MonitorDpi(monitor) / 96.0f};
    return monitors.Count < MAX_MONITORS;
}

// The preview is one picture of the monitor that holds it.
SceneView PreviewView(HWND window)
{
    RECT area;
    GetWindowRect(window, &area);
    const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {sizeof info, {}, {}, 0};
    GetMonitorInfoA(monitor, &info);
    return {{0, 0, area.right - area.left, area.bottom - area.top},
            PreviewScale(MonitorDpi(monitor), area.bottom - area.top, info.rcMonitor.bottom - info.rcMonitor.top)};
}

// Full screen, the window spans every monitor, and each gets a cloud of its own
// at its own DPI.
void SetViews(HWND window)
{
    RECT area;
    GetWindowRect(window, &area);
    SceneView views[MAX_MONITORS];
    unsigned count = 1;
    if (fChildPreview) {
        views[0] = PreviewView(window);
    } else {
        MonitorList monitors;
        EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
        count = MonitorViewports(area, monitors.Views, monitors.Count, views, MAX_MONITORS);
    }
    GLScene.SetViews(views, count);
}

// Windows tells only top-level windows of a new display mode or DPI, and a child
// nothing when its parent is dragged to another monitor: each frame looks.
void FollowPreviewMonitor(HWND window)
{
    const SceneView view = PreviewView(window);
    if (!EqualRect(&view.Area, &GLScene.Views[0].Area) || view.Scale != GLScene.Views[0].Scale)
        GLScene.SetViews(&view, 1);
}

// The window's size and monitors as they are now: a size from a message may be
// another program's.
void FollowWindow(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    GLScene.Resize(static_cast<float>(client.right), static_cast<float>(client.bottom));
    SetViews(window);
}

}  // namespace

unsigned MonitorViewports(const RECT& window, const SceneView* monitors, unsigned count, SceneView* views, unsigned capacity)
{
    unsigned written = 0;
    for (unsigned i = 0; i < count && written < capacity; ++i) {
        RECT part;
        if (!IntersectRect(&part, &window, &monitors[i].Area))
            continue;
        OffsetRect(&part, -window.left, -window.top);
        views[written++] = {part, monitors[i].Scale};
    }
    return written;
}

FrameStep StepForFrame(TickClock clock, double time, double period)
{
    if (!clock.Running)
        clock = {true, time, time, 0};
    const double most = std::max(TICK_SECONDS, period), gap = time - clock.Last;
    if (gap > most + most / 4)
        clock.Start += gap - most;
    clock.Last = time;
    const double ticks = (time - clock.Start) / TICK_SECONDS;
    const unsigned due = ticks >= clock.Ticks + 1.0 ? static_cast<unsigned>(ticks - clock.Ticks) : 0;
    clock.Ticks += due;
    return {clock, due, static_cast<float>(std::clamp(ticks - clock.Ticks, 0.0, 1.0))};
}

namespace {

constexpr double LATE = 1.25;       // periods
// Late frames that ask for a smaller scale: a renderer that cannot keep up, not a
// thread that was held up once or twice. At full scale only frames late in a row
// tell them apart: a busy machine, and a saver's first frames, make bursts of late
// frames with a frame in time here and there.
constexpr unsigned LATE_FRAMES = 2;
constexpr double LATE_SECONDS = 0.1;
// Below it, a scale that only just fits makes one frame in a few late: late frames
// that fill a quarter of the time for half a second.
constexpr double LAG_SHARE = 0.25;
constexpr double LAG_SECONDS = 0.5;
// The share of a period that frames may fill: where a step down aims, and what the
// next step up must leave free.
constexpr double FILLED = 0.8;
constexpr double STEADY = 3;        // seconds with room before a step up
constexpr int SMALLEST_STEP = 8;    // a quarter

int StepOf(float scale)
{
    return static_cast<int>(std::lround(-4 * std::log2(scale)));
}

float ScaleOf(int step)
{
    return std::exp2(-step / 4.0f);
}

}  // namespace

FrameScaler ScaleAfterFrame(FrameScaler scaler, double interval, double drawn, double period, float largest)
{
    const int step = StepOf(scaler.Scale);
    if (!(interval > 0 && period > 0) || !(largest >= ScaleOf(SMALLEST_STEP)))
        return scaler;
    const bool late = interval > LATE * period;
    if (step > 0 && (late || scaler.Lagging)) {
        if (!scaler.Lagging)
            scaler.LagFor = scaler.LateIn = 0;
        ++scaler.Lagging;
        scaler.LagFor += interval;
        scaler.LateIn += late ? interval : 0;
        if (scaler.LateIn < LAG_SHARE * scaler.LagFor)
            scaler.Lagging = 0;
    }
    if (late) {
        scaler.Room = 0;
        scaler.Least = scaler.Late ? std::min(scaler.Least, interval) : interval;
        scaler.LateFor = scaler.Late ? scaler.LateFor + interval : interval;
        const bool inARow = ++scaler.Late >= LATE_FRAMES && scaler.LateFor >= LATE_SECONDS;
        if (!inARow && !(scaler.Lagging && scaler.LagFor >= LAG_SECONDS))
            return scaler;
        // The shortest of frames in a row leaves out a thread held up among them.
        const double typical = inARow ? scaler.Least : scaler.LagFor / scaler.Lagging;
        const double fits = std::min<double>(largest, scaler.Scale * std::sqrt(FILLED * period / typical));
        const int down = static_cast<int>(std::ceil(-4 * std::log2(fits) - 1e-9));
        return {ScaleOf(std::min(SMALLEST_STEP, std::max(step, down)))};
    }
    scaler.Late = 0;
    const float up = ScaleOf(step - 1) <= largest ? ScaleOf(step - 1) : 1.0f;
    const double grown = up / scaler.Scale;
    // A frame alone that takes longer, a thread held up, does not break a run of room.
    if (step == 0 || !(drawn >= 0 && drawn * grown * grown <= FILLED * period)) {
        if (scaler.Tight)
            scaler.Room = 0;
        scaler.Tight = true;
        return scaler;
    }
    scaler.Tight = false;
    scaler.Room += interval;
    if (scaler.Room >= STEADY)
        scaler = {up};
    return scaler;
}

float PreviewScale(UINT monitorDpi, int previewHeight, int monitorHeight)
{
    if (previewHeight <= 0 || monitorHeight <= 0)
        return monitorDpi / 96.0f;
    return static_cast<float>(monitorDpi / 96.0 * previewHeight / monitorHeight);
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

bool MonitorsOffAfter(bool off, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MONITORPOWER)
        return lParam == MONITOR_POWER_OFF;
    if (message == WM_POWERBROADCAST && wParam == PBT_POWERSETTINGCHANGE) {
        // Copied, not read in place: another program can send this message with any pointer.
        struct {
            GUID PowerSetting;
            DWORD DataLength, State;  // 0 off, 1 on, 2 dimmed
        } setting;
        if (ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(lParam), &setting, sizeof setting, nullptr)
            && IsEqualGUID(setting.PowerSetting, GUID_CONSOLE_DISPLAY_STATE) && setting.DataLength == sizeof setting.State)
            return setting.State == 0;
    }
    return off;
}

// The frame that the library asks for, at its time; none while the monitors are
// dark, and no tick either, so that the scene goes on from where it stopped.
bool ScreenSaverFrame(HWND hWnd, double time, double period)
{
    if (monitorsOff || !GLScene.hRC) {
        lastFrameStart.reset();
        return false;
    }
    const double start = SaverSeconds();
    if (fChildPreview)
        FollowPreviewMonitor(hWnd);
    const FrameStep step = StepForFrame(AnimationClock, time, period);
    AnimationClock = step.Clock;
    for (unsigned tick = 0; tick < step.Ticks; ++tick)
        Animate(GLScene);
    GLScene.Share = step.Share;
    if (lastFrameStart)
        frameScaler = ScaleAfterFrame(frameScaler, start - *lastFrameStart, lastFrameDrawn, period, GLScene.LargestStretchedScale());
    lastFrameStart = start;
    GLScene.FrameScale = frameScaler.Scale;
    ClearFrame();
    const double cleared = SaverSeconds();
    DrawClearedFrame(GLScene);
    // Below full scale a frame's own cost tells when a larger one would fit. Waiting
    // for it costs little on a renderer that slow, and the clear, where a display
    // may hold the frame, is not counted.
    lastFrameDrawn = -1;
    if (GLScene.FrameScale < 1) {
        FinishFrame();
        lastFrameDrawn = SaverSeconds() - cleared;
    }
    return true;
}

LRESULT WINAPI ScreenSaverProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PreviewMessages().Changed && fChildPreview)
        AskHostForSettings(hWnd);
    switch (message) {
    case WM_CREATE:
        StartSaver(hWnd, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
        break;
    // The monitors, or their scale, may change where the window's size does not.
    case WM_SIZE:
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
        FollowWindow(hWnd);
        break;
    case WM_PAINT: {
        // What the background brush painted over is drawn again at once, not a frame later.
        const LRESULT result = DefScreenSaverProc(hWnd, message, wParam, lParam);
        if (GLScene.hRC && !monitorsOff)
            GLScene.Redraw();
        return result;
    }
    case WM_COPYDATA:
        TakeSettings(hWnd, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
    case WM_POWERBROADCAST:
        monitorsOff = MonitorsOffAfter(monitorsOff, message, wParam, lParam);
        break;
    case WM_DESTROY:
        if (displayStateNotification)
            UnregisterPowerSettingNotification(displayStateNotification);
        GLScene.Destroy(hWnd);
        break;
    }
    return DefScreenSaverProc(hWnd, message, wParam, lParam);
}
