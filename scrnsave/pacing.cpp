#include "scrnsave/pacing.h"

#include <cmath>

namespace {

constexpr double DEFAULT_REFRESH = 60;
constexpr double BATTERY_LIMIT = 60;

}  // namespace

double FrameRate(unsigned refresh, bool onBattery)
{
    const double rate = refresh > 1 ? refresh : DEFAULT_REFRESH;
    if (!onBattery || rate <= BATTERY_LIMIT)
        return rate;
    return rate / std::ceil(rate / BATTERY_LIMIT);
}

bool PresentWaited(double presentSeconds, double period)
{
    return presentSeconds > period / 2;
}

double FrameTime(double due, double now, double period)
{
    return now - due < period ? due : now;
}

double NextFrameTime(double shown, double period, bool presentWaited, double now)
{
    return presentWaited ? now : shown + period;
}
