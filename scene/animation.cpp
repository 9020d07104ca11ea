#include "scene/oglscene.h"

#include "scene/rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

void OGLSCENE::KeepBefore()
{
    std::copy_n(&Cloud[0][0], 3 * LivePoints(Data.PointCount), &Before.Cloud[0][0]);
    std::copy_n(Angle, 3, Before.Angle);
    std::copy_n(Color, 3, Before.Color);
    Before.PointSize = PointSize;
    std::fill_n(Turned, 3, 0.0f);
}

void Animate(OGLSCENE& scene)
{
    scene.KeepBefore();
    const SS_Data& data = scene.Data;
    if (data.Anim_Rotating)
        scene.Rotate();

    const SS_Flag drifting[3] = {data.Anim_R, data.Anim_G, data.Anim_B};
    for (int c = 0; c < 3; ++c) {
        if (!drifting[c])
            continue;
        const Drift channel = DriftChannel({scene.Color[c], scene.ColorUp[c]}, std::rand());
        scene.Color[c] = channel.Value;
        scene.ColorUp[c] = channel.Up;
    }

    const SS_Flag turning[3] = {data.Anim_RotX, data.Anim_RotY, data.Anim_RotZ};
    const float rates[3] = {data.RotX, data.RotY, data.RotZ};
    for (int axis = 0; axis < 3; ++axis)
        if (turning[axis]) {
            scene.Turned[axis] = TurnStep(rates[axis]);
            scene.Angle[axis] = TurnAngle(scene.Angle[axis], rates[axis]);
        }

    const Drift size = StepPointSize(data, {scene.PointSize, scene.SizeUp});
    scene.PointSize = size.Value;
    scene.SizeUp = size.Up;
}

void PoseBetween(const OGLSCENE& scene, float share, ScenePose& pose)
{
    const ScenePose& before = scene.Before;
    const unsigned count = LivePoints(scene.Data.PointCount);
    for (unsigned i = 0; i < count; ++i)
        for (int k = 0; k < 3; ++k)
            pose.Cloud[i][k] = Between(before.Cloud[i][k], scene.Cloud[i][k], share);
    for (int k = 0; k < 3; ++k) {
        // Over the tick's own turn: an angle that wrapped round does not swing back the long way.
        pose.Angle[k] = share >= 1 ? scene.Angle[k] : Between(before.Angle[k], before.Angle[k] + scene.Turned[k], share);
        pose.Color[k] = Between(before.Color[k], scene.Color[k], share);
    }
    pose.PointSize = Between(before.PointSize, scene.PointSize, share);
}

const OGLSCENE::Turn& OGLSCENE::TurnOf(unsigned point)
{
    Turn& turn = Turns[point];
    const float angle = Spin[point];
    if (std::memcmp(&turn.Angle, &angle, sizeof angle) != 0)
        turn = {angle, std::sin(double{angle}), std::cos(double{angle})};
    return turn;
}

namespace {

// Below this, three rotations cannot carry a coordinate past the float range.
constexpr float TAME = 0x1p120f;

bool Tame(const float* point)
{
    return std::fabs(point[0]) < TAME && std::fabs(point[1]) < TAME && std::fabs(point[2]) < TAME;
}

}  // namespace

void OGLSCENE::Rotate()
{
    const unsigned count = LivePoints(Data.PointCount);
    for (unsigned i = 0; i < count; ++i) {
        const Turn& turn = TurnOf(i);
        float* point = Cloud[i];
        if (Tame(point) && std::fabs(turn.Sin) <= 1.0) {
            // A sine and cosine rounded to float make a turn that is not quite a
            // rotation, and repeated for days it drifts every point in or out; kept
            // in double, each turn errs only by its rounding. With finite values
            // the matrices' zero terms change only the sign of a zero result, and
            // their closing "+ 0" makes every zero positive.
            const double c = turn.Cos, s = turn.Sin;
            const float y1 = static_cast<float>(c * point[1] - s * point[2]);
            const float z1 = static_cast<float>(s * point[1] + c * point[2]);
            const float x2 = static_cast<float>(c * point[0] + s * z1);
            const float z2 = static_cast<float>(c * z1 - s * point[0]);
            point[0] = static_cast<float>(c * x2 - s * y1) + 0.0f;
            point[1] = static_cast<float>(s * x2 + c * y1) + 0.0f;
            point[2] = z2 + 0.0f;
            continue;
        }
        // Infinities and NaNs take the matrices whole, zero terms and all.
        const float c = static_cast<float>(turn.Cos), s = static_cast<float>(turn.Sin);
        const float aboutX[12] = {1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0};
        const float aboutY[12] = {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0};
        const float aboutZ[12] = {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0};
        for (const float* m : {aboutX, aboutY, aboutZ}) {
            const float in[3] = {point[0], point[1], point[2]};
            ApplyMatrix(m, in, point);
        }
    }
}

void OGLSCENE::ApplyMatrix(const float* m, const float* in, float* out)
{
    for (int r = 0; r < 3; ++r)
        out[r] = m[4 * r] * in[0] + m[4 * r + 1] * in[1] + m[4 * r + 2] * in[2] + m[4 * r + 3];
}
