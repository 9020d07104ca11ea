#include "scene/oglscene.h"
#include "scene/rules.h"
#include "tests/scene/scene_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

namespace {

// A scene with nothing animated; each test switches on what it looks at.
std::unique_ptr<OGLSCENE> StillScene()
{
    auto scene = std::make_unique<OGLSCENE>();
    scene->Data.Sizing = 2;
    return scene;
}

TEST(Animation, ColourChannelsDriftByTheirDrawAndTurnPastTheirBounds)
{
    const Drift top = DriftChannel({1.0f, true}, 32767);
    EXPECT_TRUE(top.Up);
    EXPECT_GT(top.Value, 1.0f);
    EXPECT_LE(top.Value, 1.005f);
    const Drift turned = DriftChannel(top, 32767);
    EXPECT_FALSE(turned.Up);
    EXPECT_LT(turned.Value, top.Value);
    EXPECT_LT(DriftChannel({1.001f, true}, 1).Value, 1.001f) << "turned and lowered on one tick";
    EXPECT_FALSE(DriftChannel({0.1f, false}, 1).Up) << "exactly at the lower bound";
    EXPECT_TRUE(DriftChannel({0.0999f, false}, 1).Up);
    EXPECT_EQ(DriftChannel({0.05f, false}, 0).Value, 0.05f);
    EXPECT_TRUE(DriftChannel({0.05f, false}, 0).Up);

    auto scene = StillScene();
    scene->Data.Anim_R = scene->Data.Anim_G = scene->Data.Anim_B = 1;
    scene->Color[0] = scene->Color[1] = scene->Color[2] = 0.5f;
    {
        ScriptedDraws draws({32767, 0, 16384});
        Animate(*scene);
    }
    EXPECT_FLOAT_EQ(scene->Color[0], 0.505f);
    EXPECT_EQ(scene->Color[1], 0.5f);
    EXPECT_NEAR(scene->Color[2], 0.5025f, 1e-6f);

    scene->Data.Anim_G = 0;
    ScriptedDraws draws({0, 32767});
    Animate(*scene);
    EXPECT_EQ(draws.Used(), 2u) << "none for a channel that does not drift";
    EXPECT_EQ(scene->Color[1], 0.5f);
    EXPECT_FLOAT_EQ(scene->Color[2], 0.5075f);
}

TEST(Animation, PointSizeFollowsItsMode)
{
    SS_Data data = {};
    data.Size_Min = 300.0f;
    data.Size_Max = 600.0f;
    const struct {
        int Sizing;
        float Start;
    } starts[] = {{0, 300.0f}, {1, 300.0f}, {2, 600.0f}, {3, 7.0f}, {-1, 7.0f}};
    for (const auto& start : starts) {
        data.Sizing = start.Sizing;
        EXPECT_EQ(StartingSize(data, 7.0f), start.Start) << "mode " << start.Sizing;
    }
    const auto expectStep = [&data](int sizing, Drift from, Drift to) {
        data.Sizing = sizing;
        const Drift size = StepPointSize(data, from);
        EXPECT_EQ(size.Value, to.Value) << "mode " << sizing << " from " << from.Value;
        EXPECT_EQ(size.Up, to.Up) << "mode " << sizing << " from " << from.Value;
    };
    expectStep(0, {599.5f, true}, {600.0f, false});
    expectStep(0, {599.4f, true}, {599.9f, true});
    expectStep(0, {620.0f, true}, {620.5f, false});
    expectStep(0, {620.5f, false}, {620.5f, false});
    expectStep(1, {599.75f, true}, {600.0f, false});
    expectStep(1, {300.25f, false}, {300.0f, true});
    expectStep(1, {300.5f, false}, {300.25f, false});
    expectStep(3, {450.0f, true}, {450.0f, true});
    expectStep(-1, {450.0f, false}, {450.0f, false});

    data.Sizing = 1;
    data.Size_Min = data.Size_Max = 400.0f;
    Drift size = {400.0f, true};
    for (float expected : {400.25f, 400.0f, 399.75f, 400.0f, 399.75f}) {
        size = StepPointSize(data, size);
        EXPECT_EQ(size.Value, expected);
    }

    data.Size_Min = 600.0f;  // bounds in the wrong order
    data.Size_Max = 300.0f;
    size = StepPointSize(data, {600.0f, true});
    EXPECT_EQ(size.Value, 600.25f);
    for (int tick = 0; tick < 1201; ++tick)
        size = StepPointSize(data, size);
    EXPECT_EQ(size.Value, 300.0f);
    EXPECT_EQ(StepPointSize(data, size).Value, 299.75f);
    EXPECT_EQ(StepPointSize(data, StepPointSize(data, size)).Value, 300.0f);
}

TEST(Animation, TimerTurnsTheCloudAboutItsEnabledAxesAndSizesThePoints)
{
    WindowScene scene;
    SS_Data data = DefaultData;
    data.Anim_R = data.Anim_G = data.Anim_Rotating = 0;
    data.RotX = 0.25f;
    data.RotY = -1.5f;
    data.Anim_RotX = data.Anim_RotY = 1;
    data.Sizing = 0;
    scene->SetSSData(data);
    scene->Angle[0] = 10.0f;
    scene->Angle[2] = 5.0f;
    scene->Timer();
    EXPECT_EQ(scene->Angle[0], 10.5f);
    EXPECT_EQ(scene->Angle[1], -3.0f);
    EXPECT_EQ(scene->Angle[2], 5.0f);
    EXPECT_EQ(scene->PointSize, 300.5f);
}

TEST(Animation, TheCloudKeepsTurningAfterDays)
{
    // 20 million ticks, nearly six days at 40 a second. Unwrapped, the angle
    // would stall at 2^23 degrees, where a step of 0.5 no longer adds.
    float angle = 0;
    for (int tick = 0; tick < 20000000; ++tick)
        angle = TurnAngle(angle, 0.25f);
    EXPECT_EQ(angle, 280.0f) << "10,000,000 degrees, every step exact";
    EXPECT_EQ(TurnAngle(-359.5f, -0.25f), 0.0f);
    EXPECT_EQ(TurnAngle(359.0f, 1.0f), 1.0f);
    EXPECT_EQ(TurnAngle(10.0f, 180.25f), 10.5f) << "a whole turn more is the same turn";
    // Twice these overflows a float; the angle must not become infinite or NaN.
    for (float rate : {std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(), 2e38f, -1.7e38f}) {
        const float angle = TurnAngle(359.0f, rate);
        EXPECT_TRUE(angle > -360.0f && angle < 360.0f) << rate << " gives " << angle;
    }
}

// One point's turn as the rotations are written out: three matrices of the
// double sine and cosine, each applied to a copy of the point and stored as
// float before the next.
void ReferenceTurn(float* point, float spin)
{
    const double c = std::cos(double{spin}), s = std::sin(double{spin});
    const double matrices[3][12] = {
        {1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0},
        {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0},
        {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0},
    };
    for (const double* m : matrices) {
        const float in[3] = {point[0], point[1], point[2]};
        for (int r = 0; r < 3; ++r)
            point[r] = static_cast<float>(m[4 * r] * in[0] + m[4 * r + 1] * in[1] + m[4 * r + 2] * in[2] + m[4 * r + 3]);
    }
}

TEST(Animation, RotateMatchesThreeSeparateRotationsBitForBit)
{
    auto scene = StillScene();
    std::mt19937 random(11);
    std::uniform_real_distribution<float> coordinate(-13.0f, 13.0f), spin(-0.02f, 0.02f), wide(-7.0f, 7.0f);
    const auto newSpins = [&] {
        for (unsigned i = 0; i < MAX_POINTS; ++i)
            scene->Spin[i] = i % 3 == 0 ? wide(random) : spin(random);
        scene->Spin[1] = 0.0f;
        scene->Spin[5] = 0.7f;  // enough to overflow the huge point
        scene->Spin[7] = std::numeric_limits<float>::infinity();
    };
    for (auto& point : scene->Cloud)
        for (float& value : point)
            value = coordinate(random);
    // Signed zeros, as a Spread of 0 makes; points that hostile settings made
    // infinite or nearly so; and a spin without a sine.
    scene->Cloud[1][0] = scene->Cloud[1][1] = scene->Cloud[1][2] = -0.0f;
    scene->Cloud[2][1] = -0.0f;
    scene->Cloud[4][2] = std::numeric_limits<float>::infinity();
    scene->Cloud[5][0] = scene->Cloud[5][1] = scene->Cloud[5][2] = 3e38f;
    scene->Cloud[7][0] = 1.0f;
    newSpins();
    float expected[MAX_POINTS][3];
    std::memcpy(expected, scene->Cloud, sizeof expected);

    scene->Data.PointCount = MAX_POINTS;
    for (int tick = 0; tick < 6; ++tick) {
        if (tick == 3)
            newSpins();
        if (tick == 5)
            scene->Data.PointCount = 1000;
        scene->Rotate();
        for (unsigned i = 0; i < LivePoints(scene->Data.PointCount); ++i)
            ReferenceTurn(expected[i], scene->Spin[i]);
        ASSERT_EQ(std::memcmp(expected, scene->Cloud, sizeof expected), 0) << "tick " << tick;
    }
}

TEST(Animation, PointsSpinAboutTheCloudsCentre)
{
    auto scene = StillScene();
    scene->Data.Anim_Rotating = 1;
    scene->Data.PointCount = 2;
    const float a = 0.3f;
    scene->Cloud[0][0] = 1.0f;
    scene->Spin[0] = a;
    scene->Spin[1] = 2.0f;
    scene->Cloud[2][0] = 1.0f;
    scene->Spin[2] = a;
    Animate(*scene);
    EXPECT_NEAR(scene->Cloud[0][0], std::cos(a) * std::cos(a), 1e-6);
    EXPECT_NEAR(scene->Cloud[0][1], std::sin(a) * std::cos(a), 1e-6);
    EXPECT_NEAR(scene->Cloud[0][2], -std::sin(a), 1e-6);
    EXPECT_EQ(scene->Cloud[1][0] + scene->Cloud[1][1] + scene->Cloud[1][2], 0.0f) << "the origin stays";
    EXPECT_EQ(scene->Cloud[2][0], 1.0f) << "beyond PointCount";

    scene->Data.Anim_Rotating = 0;
    float before[MAX_POINTS][3];
    std::memcpy(before, scene->Cloud, sizeof before);
    for (int tick = 0; tick < 100; ++tick)
        Animate(*scene);
    EXPECT_EQ(std::memcmp(before, scene->Cloud, sizeof before), 0);
}

}  // namespace
