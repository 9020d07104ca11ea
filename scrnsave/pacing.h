// When the saver's frames are due, and the moment each shows. Pure: they look
// only at what they are given.
#pragma once

#include <windows.h>
#include <dwmapi.h>

#include <optional>

// The display's refresh, as the saver knows it.
struct DisplayClock {
    double Period;  // seconds from one refresh to the next
    bool Blanks;    // whether Blank is known
    double Blank;   // a vertical blank, on the SaverSeconds clock
};

// The compositor's clock, which every window's present follows: its refresh and,
// when that is recent, its last blank. None when it gives no refresh a display could have.
std::optional<DisplayClock> CompositionClock(const DWM_TIMING_INFO& timing, LONGLONG countsPerSecond, LONGLONG now);
// A refresh in whole hertz, as EnumDisplaySettings gives it (59 for 59.94): 60 where
// it reads 0 or 1, the hardware's default. Its blanks are unknown.
DisplayClock RefreshClock(unsigned hertz);
// How many refreshes each frame stays up: 1, or on battery as few as keep frames
// at 60 a second or fewer, so that every frame stays up as long as the last.
unsigned RefreshesPerFrame(double period, bool onBattery);

// The frame loop's pace. Where the blanks are known, each frame starts a little
// after the blank that its refreshes come to. Where they are not, frames start at
// once as long as the display holds each to its refresh itself, which whole frames
// show, and else at the refresh's pace by the loop's own timer.
struct FramePacer {
    DisplayClock Display = {};
    unsigned Refreshes = 1;
    bool DisplayPaces = true;
    int QuickFrames = 0;  // frames in a row that came round in under most of a period
    bool Started = false;
    double LastStart = 0, LastTime = 0;

    // From one frame to the next.
    double Period() const { return Display.Period * Refreshes; }
};

// The display's clock, read again. A new period is a new display, and its pace is found afresh.
void SetDisplayClock(FramePacer& pacer, const DisplayClock& clock, unsigned refreshes);
// When the next frame is due to start.
double FrameDue(const FramePacer& pacer);
// A frame starts: the moment that it shows, spaced as the display shows frames.
double StartFrame(FramePacer& pacer, double start);
