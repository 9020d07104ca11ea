#include "scrnsave/pacing.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double DEFAULT_REFRESH = 60;
constexpr double BATTERY_LIMIT = 60;
// Refreshes that no display has.
constexpr double SHORTEST_PERIOD = 1e-3, LONGEST_PERIOD = 1;
// A blank older than this says little of where the next one falls.
constexpr double RECENT_BLANK = 1;
// Frames start this share of a refresh after its blank: a present made at the very
// blank could land on either side of it, and the frame show a refresh early.
constexpr double AFTER_BLANK = 0.25;
// A frame that came round in less than this share of a period did not wait for the display:
// frames that it holds come round in a period on average.
constexpr double QUICK = 0.9;
// A display may take a few frames at once into its queue before it holds the next one.
constexpr int QUEUED_FRAMES = 8;

bool Plausible(double period)
{
    return period >= SHORTEST_PERIOD && period <= LONGEST_PERIOD;
}

// The first blank at or after a time.
double BlankFrom(const DisplayClock& display, double time)
{
    return display.Blank + std::ceil((time - display.Blank) / display.Period) * display.Period;
}

// The blank that ends the last frame's refreshes, whether the last frame's time lay on
// these blanks or not: the clock may have been read again since.
double NextBlank(const FramePacer& pacer)
{
    return BlankFrom(pacer.Display, pacer.LastTime + pacer.Period() - pacer.Display.Period / 2);
}

}  // namespace

std::optional<DisplayClock> CompositionClock(const DWM_TIMING_INFO& timing, LONGLONG countsPerSecond, LONGLONG now)
{
    if (countsPerSecond <= 0)
        return std::nullopt;
    const double perSecond = static_cast<double>(countsPerSecond);
    double period = static_cast<double>(timing.qpcRefreshPeriod) / perSecond;
    if (!Plausible(period) && timing.rateRefresh.uiNumerator)
        period = static_cast<double>(timing.rateRefresh.uiDenominator) / timing.rateRefresh.uiNumerator;
    if (!Plausible(period))
        return std::nullopt;
    const double blank = static_cast<double>(timing.qpcVBlank) / perSecond, age = static_cast<double>(now) / perSecond - blank;
    return DisplayClock{period, timing.qpcVBlank != 0 && age > -period && age < RECENT_BLANK, blank};
}

DisplayClock RefreshClock(unsigned hertz)
{
    return {1 / (hertz > 1 ? hertz : DEFAULT_REFRESH), false, 0};
}

unsigned RefreshesPerFrame(double period, bool onBattery)
{
    // A rate read as a fraction may lie a rounding above a whole number.
    const double shares = 1 / period / BATTERY_LIMIT - 1e-9;
    return onBattery && shares > 1 ? static_cast<unsigned>(std::ceil(shares)) : 1;
}

void SetDisplayClock(FramePacer& pacer, const DisplayClock& clock, unsigned refreshes)
{
    const double period = pacer.Period();
    pacer.Display = clock;
    pacer.Refreshes = refreshes;
    if (std::fabs(pacer.Period() - period) > period * 1e-3) {
        pacer.DisplayPaces = true;
        pacer.QuickFrames = 0;
    }
}

double FrameDue(const FramePacer& pacer)
{
    if (!pacer.Started)
        return -HUGE_VAL;
    if (pacer.Display.Blanks)
        return NextBlank(pacer) + AFTER_BLANK * pacer.Display.Period;
    return pacer.DisplayPaces ? pacer.LastStart : pacer.LastTime + pacer.Period();
}

double StartFrame(FramePacer& pacer, double start)
{
    const double period = pacer.Period();
    const DisplayClock& display = pacer.Display;
    double time = start;
    if (display.Blanks) {
        // The blank that the frame started after, and at least its refreshes after the
        // last frame's: frames are spaced as the display shows them.
        time = display.Blank + std::floor((start - display.Blank) / display.Period) * display.Period;
        if (pacer.Started)
            time = std::max(time, NextBlank(pacer));
    } else if (pacer.Started && pacer.DisplayPaces) {
        pacer.QuickFrames = start - pacer.LastStart < QUICK * period ? pacer.QuickFrames + 1 : 0;
        pacer.DisplayPaces = pacer.QuickFrames < QUEUED_FRAMES;
    } else if (pacer.Started) {
        // Its due time, so that frames keep an even pace however late the system
        // wakes the loop, unless it is a whole frame late.
        const double due = pacer.LastTime + period;
        time = start - due < period ? due : start;
    }
    pacer.Started = true;
    pacer.LastStart = start;
    pacer.LastTime = time;
    return time;
}
