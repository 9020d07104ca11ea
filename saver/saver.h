// The saver window: ties the screen-saver library's window to the one scene.
#pragma once

#include "scene/oglscene.h"

#include <windows.h>

#include <cstdint>

// The animation's clock: tick n is due n ticks' time after Start, and Ticks have
// run. Last is the time of the last frame.
struct TickClock {
    bool Running;
    double Start, Last;  // in seconds
    std::uint64_t Ticks;
};
constexpr double TICK_SECONDS = 0.025;

extern OGLSCENE GLScene;
// Started by the saver's first frame.
extern TickClock AnimationClock;
extern HINSTANCE hInstance;

// The state that SC_MONITORPOWER reports for monitors switched off (1 is low power, -1 on).
constexpr LPARAM MONITOR_POWER_OFF = 2;

// What a frame at a given time does, on a display that shows a new frame every
// period: first the Ticks that have come due, then it shows the scene a Share of
// the way from the tick before the last one to the last. A frame moves the
// animation on by a tick at most, or by a period where that is longer. One that
// comes later than that, by more than a quarter, slips the clock: the renderer or
// the system could not keep up, and the animation slows down rather than jumps.
struct FrameStep {
    TickClock Clock;
    unsigned Ticks;
    float Share;
};
FrameStep StepForFrame(TickClock clock, double time, double period);

// The scale that frames are drawn at, from 1 down to a quarter, in steps that halve
// the pixels every two. Frames that come more than a quarter of a period late, two
// or more in a row for a tenth of a second, step it down at once to where the
// shortest of them would fill most of a period, counting their cost as their
// pixels; below full scale, so do late frames that fill a quarter of the time for
// half a second, by their frames' mean. Only at the smallest scale do frames stay
// late, and the cloud slows down. It steps up one step after a few seconds of
// frames whose cost, drawn below full scale and measured, grown by the next step's
// pixels, stays within that most (but for frames alone), so that a steady scene
// stays at one scale.
struct FrameScaler {
    float Scale = 1;
    unsigned Late = 0;     // frames in a row
    double Least = 0;      // the shortest of their intervals
    double LateFor = 0;    // seconds, all of them
    unsigned Lagging = 0;  // frames since a late one, while late ones fill their share
    double LagFor = 0;     // seconds of those frames
    double LateIn = 0;     // seconds of the late ones among them
    double Room = 0;       // seconds of frames in a row with room for the next step up
    bool Tight = false;    // the last frame had none
};
// A frame that started `interval` seconds after the last one, which took `drawn`
// seconds to draw where that was measured (else less than 0), on a display that
// shows a frame every `period`. Scales from `largest` up to 1 are left out.
FrameScaler ScaleAfterFrame(FrameScaler scaler, double interval, double drawn, double period, float largest);

// The parts of a window, given in screen pixels, that lie on each monitor, in
// the window's own pixels and at the monitor's scale; monitors it does not reach
// are left out. Returns how many were written, at most capacity.
unsigned MonitorViewports(const RECT& window, const SceneView* monitors, unsigned count, SceneView* views, unsigned capacity);

// The preview shows the full screen of the monitor that holds it, shrunk: a
// point is its full-screen size on that monitor times the preview's share of
// the monitor's height. Without both heights, it is its full-screen size.
float PreviewScale(UINT monitorDpi, int previewHeight, int monitorHeight);

// Whether the monitors are off after a message, given whether they were: a
// monitor-power command or a change of the display's state says so.
bool MonitorsOffAfter(bool off, UINT message, WPARAM wParam, LPARAM lParam);

// The halo's 64 x 64 grey levels, rows from the top, from the bitmap's own bits.
// bits is a working buffer of 64 x 64 four-byte pixels. False when the bitmap cannot be read.
bool LoadHaloSprite(HINSTANCE instance, unsigned char* sprite, unsigned char* bits);
