// Our screen-saver library: what <scrnsave.h> declares, plus the entry point's work
// as a function of its own so that it can be driven in-process.
#pragma once

#include <windows.h>
#include <scrnsave.h>

// Picks the mode from the command-line tail and runs it. Returns the process's exit code, always 0.
int ScreenSaverMain(HINSTANCE instance, const char* commandTail);

// The library paces the saver's frames: it sends the saver window SCRM_FRAME, with
// lParam pointing at a SaverFrame, whenever a frame is due. The saver draws the
// scene as it stands at Time, says how long presenting it took, and answers TRUE;
// it answers FALSE when it draws nothing, and then no frame is due until another
// message comes.
constexpr UINT SCRM_FRAME = WM_APP + 1;
struct SaverFrame {
    double Time;  // on the SaverSeconds clock
    double PresentSeconds;
};

// A steady clock, in seconds.
double SaverSeconds();
// Frames a second for the monitor that holds the window, as its power allows.
double SaverFrameRate(HWND window);
