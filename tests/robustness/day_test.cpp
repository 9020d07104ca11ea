// A day of the saver at 40 ticks a second, every animation on at its largest rate.
#include "scene/oglscene.h"
#include "tests/robustness/seeded_draws.h"
#include "tests/scene/scene_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr long DAY_TICKS = 24L * 60 * 60 * 40;
constexpr long MINUTE_TICKS = 60L * 40;

double Distance(const float* point)
{
    return std::sqrt(double{point[0]} * point[0] + double{point[1]} * point[1] + double{point[2]} * point[2]);
}

}  // namespace

TEST(Day, EveryQuantityStaysInItsBoundsAndEveryPointAtItsDistance)
{
    SeededDraws draws(24);
    WindowScene scene;
    SS_Data data = DefaultData;
    data.PointCount = MAX_POINTS;
    data.Anim_R = data.Anim_G = data.Anim_B = 1;
    data.Anim_Rotating = data.Anim_RotX = data.Anim_RotY = data.Anim_RotZ = 1;
    data.Speed = data.RotX = data.RotY = data.RotZ = 1.0f;
    data.Spread = 4.0f;
    data.Sizing = 1;
    data.Size_Min = 10.0f;
    data.Size_Max = 1000.0f;
    scene->SetSSData(data);

    std::vector<double> start(MAX_POINTS);
    for (unsigned i = 0; i < MAX_POINTS; ++i)
        start[i] = Distance(scene->Cloud[i]);

    double worst = 0;
    const auto begun = std::chrono::steady_clock::now();
    for (long tick = 1; tick <= DAY_TICKS; ++tick) {
        Animate(*scene);
        for (int axis = 0; axis < 3; ++axis)
            ASSERT_TRUE(scene->Angle[axis] > -360.0f && scene->Angle[axis] < 360.0f) << "tick " << tick << " axis " << axis << ": " << scene->Angle[axis];
        for (int c = 0; c < 3; ++c)
            ASSERT_TRUE(scene->Color[c] >= 0.095f && scene->Color[c] <= 1.005f) << "tick " << tick << " channel " << c << ": " << scene->Color[c];
        ASSERT_TRUE(scene->PointSize >= data.Size_Min && scene->PointSize <= data.Size_Max) << "tick " << tick << ": " << scene->PointSize;
        if (tick % MINUTE_TICKS != 0)
            continue;
        for (unsigned i = 0; i < MAX_POINTS; ++i) {
            const double change = std::fabs(Distance(scene->Cloud[i]) / start[i] - 1);
            worst = std::max(worst, change);
            ASSERT_LT(change, 0.001) << "point " << i << " after " << tick << " ticks";
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    std::printf("a day of %ld ticks at %u points took %.1f s; the largest change of a point's distance was %.5f %%\n",
                DAY_TICKS, MAX_POINTS, seconds, 100 * worst);
}
