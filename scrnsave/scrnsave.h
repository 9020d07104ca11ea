// Our screen-saver library: what <scrnsave.h> declares, plus the entry point's work
// as a function of its own so that it can be driven in-process.
#pragma once

#include <windows.h>
#include <scrnsave.h>

#include "scrnsave/pacing.h"

// Picks the mode from the command-line tail and runs it. Returns the process's exit code, always 0.
int ScreenSaverMain(HINSTANCE instance, const char* commandTail);

// The saver's part of a frame, which the library calls whenever one is due: it
// draws the scene as it stands at `time`, on the SaverSeconds clock, into the
// window's back buffer, for a display that shows a new frame every `period`
// seconds; the library then presents it. False when it draws nothing: then no
// frame is due until a message comes.
bool ScreenSaverFrame(HWND hWnd, double time, double period);

// The display that the library paces frames to and presents them on: Windows'
// own, unless a test puts in a display of its own.
struct SaverDisplay {
    // Its refresh, for the window that shows the frames.
    DisplayClock (*Clock)(HWND window);
    // Before the saver draws a frame: where a display holds it until a back buffer
    // is free. Windows' drivers hold it inside the frame's first drawing call instead.
    void (*BeforeDrawing)();
    void (*Present)(HDC dc);
};
extern SaverDisplay FrameDisplay;
// Windows' clock: the compositor's, else the refresh of the monitor that holds most of the window.
DisplayClock WindowsDisplayClock(HWND window);

// The wait between frames: MsgWaitForMultipleObjectsEx, unless a test puts in the
// wait of an older Windows, or one that fails.
extern DWORD(WINAPI* FrameWait)(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask, DWORD flags);

// A steady clock, in seconds.
double SaverSeconds();
