// A display of a given refresh in place of Windows' own, for the saver's frame
// loop: it holds each frame in the swap, or in the next frame's first drawing, or
// nowhere, and it keeps count of what each of its refreshes shows.
#pragma once

#include <cstdint>

enum class Hold { InSwap, InFirstDrawing, Nowhere };

struct SimulatedDisplay {
    double Hertz;
    Hold Holds;
    // Whether the compositor's clock, with its blanks, is there; else the loop reads
    // the refresh in whole hertz, as EnumDisplaySettings gives it.
    bool Composed;
    // Seconds that each frame keeps the renderer busy, as a GPU that cannot keep up would.
    double Drawing;
};

// What the saver's preview did on the display, with a cloud turning a degree a
// tick, over the given seconds after its first second.
struct PaceFigures {
    // From the first frame to the last.
    double Seconds;
    std::uint64_t Ticks;
    // The frames, the refreshes, and the refreshes that showed no new frame.
    int Frames, Refreshes, Repeats;
    double ThreadSeconds, DrawingSeconds;  // of CPU time
    // How far, in degrees, a frame's turn missed the moment of its refresh, on average.
    double TurnMiss;
};

PaceFigures MeasurePace(const SimulatedDisplay& display, double seconds);

// The CPU time that this thread has taken, in seconds.
double ThreadSeconds();
