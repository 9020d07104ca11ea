// The saver window: ties the screen-saver library's window to the one scene.
#pragma once

#include "scene/oglscene.h"

#include <windows.h>

extern OGLSCENE GLScene;
// The animation timer as SetTimer returned it; 0 while none runs.
extern UINT_PTR TimerName;
extern HINSTANCE hInstance;

constexpr UINT_PTR ANIMATION_TIMER_ID = 1;
// The state that SC_MONITORPOWER reports for monitors switched off (1 is low power, -1 on).
constexpr LPARAM MONITOR_POWER_OFF = 2;
constexpr UINT ANIMATION_PERIOD_MS = 25;

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
