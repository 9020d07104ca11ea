#include "scene/oglscene.h"
#include "scene/rules.h"
#include "tests/scene/scene_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr float PI_F = 3.14159274f;  // the float nearest to pi

TEST(Cloud, EachAttemptTakesTwoDrawsAndTheRangeReachesBothEnds)
{
    OGLSCENE scene;
    ScriptedDraws draws({0, 0, 0, 1, 32767, 0, 16384, 32767});
    EXPECT_EQ(scene.MonteCarlo(), -PI_F);
    EXPECT_EQ(scene.MonteCarlo(), PI_F) << "after one rejected attempt";
    // Near the middle the ten-digit pi shows, and 1 + cos a rounds to 2.0f, which even v = 1 passes.
    EXPECT_EQ(scene.MonteCarlo(), 0x1.925d6ep-14f);
    EXPECT_EQ(draws.Used(), 8u);
}

TEST(Cloud, SamplesFollowTheRaisedCosine)
{
    OGLSCENE scene;
    std::srand(20240611);
    constexpr int SAMPLES = 100000, BINS = 20;
    int counts[BINS] = {};
    for (int n = 0; n < SAMPLES; ++n) {
        const float a = scene.MonteCarlo();
        ASSERT_LE(std::fabs(a), PI_F);
        ++counts[std::min(BINS - 1, static_cast<int>((a + PI) / (2 * PI) * BINS))];
    }
    double chiSquare = 0;
    for (int bin = 0; bin < BINS; ++bin) {
        const double low = -PI + 2 * PI * bin / BINS, high = low + 2 * PI / BINS;
        const double expected = SAMPLES * (high - low + std::sin(high) - std::sin(low)) / (2 * PI);
        chiSquare += (counts[bin] - expected) * (counts[bin] - expected) / expected;
    }
    EXPECT_LT(chiSquare, 43.82) << "19 degrees of freedom at p = 0.001";
}

TEST(Cloud, PointsDrawXThenYThenZThenTheirSpin)
{
    WindowScene scene;
    SS_Data data = DefaultData;
    data.PointCount = 2;
    data.Spread = 2.0f;
    data.Speed = 0.5f;
    ScriptedDraws draws({0, 0, /* rejected */ 0, 1, 32767, 0, 0, 0, 32767,  // point 0
                         32767, 0, 0, 0, 32767, 0, 0});                     // point 1
    scene->SetSSData(data);
    EXPECT_EQ(draws.Used(), 16u);
    const float expected[3][3] = {{-2 * PI_F, 2 * PI_F, -2 * PI_F}, {2 * PI_F, -2 * PI_F, 2 * PI_F}, {0, 0, 0}};
    EXPECT_EQ(std::memcmp(scene->Cloud, expected, sizeof expected), 0);
    EXPECT_FLOAT_EQ(scene->Spin[0], 0.01f);
    EXPECT_FLOAT_EQ(scene->Spin[1], -0.01f);
    EXPECT_EQ(scene->Spin[2], 0.0f);
}

TEST(Cloud, StoredCountsBeyondTheCloudBuildExactlyAFullCloud)
{
    static int drawn;
    SceneRandom = [] { ++drawn; return std::rand(); };
    WindowScene scene;
    SS_Data data = DefaultData;
    data.Spread = 4.0f;
    data.Speed = 1.0f;

    const auto build = [&](std::int32_t count) {
        data.PointCount = count;
        drawn = 0;
        std::srand(77);
        scene->SetSSData(data);
        return std::vector<float>(&scene->Cloud[0][0], &scene->Cloud[0][0] + 3 * MAX_POINTS);
    };
    const std::vector<float> full = build(MAX_POINTS);
    const int fullDraws = drawn;
    for (float coordinate : full)
        ASSERT_LE(std::fabs(coordinate), PI_F * data.Spread);
    for (float spin : scene->Spin)
        ASSERT_LE(std::fabs(spin), data.Speed / 50);

    for (std::int32_t count : {-1, 1501, INT_MAX}) {
        EXPECT_EQ(build(count), full) << count;
        EXPECT_EQ(drawn, fullDraws) << count;
        EXPECT_EQ(scene->ZPos, -300.0f) << "the member after the spins, for " << count;
        scene->Timer();
    }
    SceneRandom = std::rand;
}

TEST(Cloud, TintSubtractsTheBaseColourChannelByChannel)
{
    EXPECT_EQ(TintChannel(200, 127), 73);
    EXPECT_EQ(TintChannel(100, 127), 0);
    EXPECT_EQ(TintChannel(0, 0), 0);
    EXPECT_EQ(TintChannel(255, 255), 0);
    EXPECT_EQ(TintChannel(137, 0), 137);
    // Stored components outside 0 … 255: the low byte of the true difference.
    EXPECT_EQ(TintChannel(200, -100), 44);
    EXPECT_EQ(TintChannel(255, -1), 0);
    EXPECT_EQ(TintChannel(5, INT_MIN), 5);
    EXPECT_EQ(TintChannel(255, INT_MAX), 0);
}

}  // namespace
