// pace HERTZ HOLDS CLOCK DRAWING: runs the saver's preview for 10 s on a simulated
// display, after a first second, prints what it did, and fails when it did not keep
// the display's pace. HOLDS is swap, first-drawing or nowhere; CLOCK is composed or
// whole-hertz; DRAWING the seconds each frame keeps the renderer busy.
#include "tests/simulated_display.h"

#include "saver/saver.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const std::string holds = argc == 5 ? argv[2] : "";
    if (holds != "swap" && holds != "first-drawing" && holds != "nowhere") {
        std::fprintf(stderr, "usage: pace HERTZ swap|first-drawing|nowhere composed|whole-hertz DRAWING\n");
        return 2;
    }
    const SimulatedDisplay display = {std::atof(argv[1]), holds == "swap" ? Hold::InSwap : holds == "nowhere" ? Hold::Nowhere : Hold::InFirstDrawing,
                                      std::string(argv[3]) == "composed", std::atof(argv[4])};
    const PaceFigures f = MeasurePace(display, 10);
    std::printf("%s %s %s %s: %llu ticks in %.3f s, %d frames, %d refreshes, %d without a new frame, turns %.3f degrees off; CPU %.3f s, %.3f s of it drawing\n",
                argv[1], argv[2], argv[3], argv[4], static_cast<unsigned long long>(f.Ticks), f.Seconds, f.Frames, f.Refreshes, f.Repeats, f.TurnMiss,
                f.ThreadSeconds, f.DrawingSeconds);
    std::string missed;
    if (display.Drawing < TICK_SECONDS) {
        // A frame for every refresh, each showing its refresh's own moment, and 40 ticks a second.
        // Wine wakes a thread some milliseconds late now and then, which can cost a refresh in a thousand.
        if (std::fabs(double(f.Frames) / f.Refreshes - 1) > 0.01 || f.Repeats > (f.Refreshes + 999) / 1000)
            missed += " a frame for every refresh;";
        if (std::fabs(double(f.Ticks) - f.Seconds / TICK_SECONDS) > 2)
            missed += " 40 ticks a second;";
        if (f.TurnMiss >= 0.1)
            missed += " frames at their refreshes' moments;";
    } else if (std::fabs(double(f.Ticks) - f.Frames) > 1) {
        missed += " a tick a frame, since frames are slower than ticks;";
    }
    if (f.ThreadSeconds - f.DrawingSeconds > f.DrawingSeconds)
        missed += " no more CPU for the loop than for the drawing;";
    if (!missed.empty())
        std::printf("FAILED:%s\n", missed.c_str());
    return missed.empty() ? 0 : 1;
}
