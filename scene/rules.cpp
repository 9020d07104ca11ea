#include "scene/rules.h"

#include "scene/oglscene.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

unsigned LivePoints(std::int32_t pointCount)
{
    return std::min(static_cast<std::uint32_t>(pointCount), MAX_POINTS);
}

std::uint8_t TintChannel(std::uint8_t luminance, std::int32_t base)
{
    // Wide enough that no base colour can overflow the difference.
    const std::int64_t difference = std::int64_t{luminance} - base;
    return difference < 0 ? 0 : static_cast<std::uint8_t>(difference & 0xFF);
}

namespace {

// Bit for bit, so that a value that is not a number is the same as itself.
template <typename T>
bool Differ(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof a) != 0;
}

}  // namespace

SceneChange ChangeBetween(const SS_Data& was, const SS_Data& now)
{
    return {Differ(was.BCol_R, now.BCol_R) || Differ(was.BCol_G, now.BCol_G) || Differ(was.BCol_B, now.BCol_B),
            Differ(was.PointCount, now.PointCount) || Differ(was.Spread, now.Spread) || Differ(was.Speed, now.Speed),
            Differ(was.SCol_R, now.SCol_R) || Differ(was.SCol_G, now.SCol_G) || Differ(was.SCol_B, now.SCol_B)
                || Differ(was.Anim_R, now.Anim_R) || Differ(was.Anim_G, now.Anim_G) || Differ(was.Anim_B, now.Anim_B),
            Differ(was.Size_Max, now.Size_Max) || Differ(was.Size_Min, now.Size_Min) || Differ(was.Sizing, now.Sizing)};
}

double Unit(int draw)
{
    return draw / 32767.0;
}

float SpinRate(int draw, float speed)
{
    return static_cast<float>((Unit(draw) * speed - speed * 0.5) / 25);
}

Drift DriftChannel(Drift channel, int draw)
{
    if (channel.Value > 1.0f)
        channel.Up = false;
    else if (channel.Value < 0.1f)
        channel.Up = true;
    const double step = Unit(draw) * 0.005f;
    channel.Value = static_cast<float>(channel.Up ? channel.Value + step : channel.Value - step);
    return channel;
}

float StartingSize(const SS_Data& data, float current)
{
    switch (data.Sizing) {
    case 0:
    case 1:
        return data.Size_Min;
    case 2:
        return data.Size_Max;
    default:
        return current;
    }
}

Drift StepPointSize(const SS_Data& data, Drift size)
{
    switch (data.Sizing) {
    case 0:
        if (size.Up) {
            size.Value += 0.5f;
            if (size.Value >= data.Size_Max)
                size.Up = false;
        }
        break;
    case 1:
        size.Value += size.Up ? 0.25f : -0.25f;
        if (size.Value >= data.Size_Max)
            size.Up = false;
        else if (size.Value <= data.Size_Min)
            size.Up = true;
        break;
    default:
        break;
    }
    return size;
}

float TurnStep(float rate)
{
    // Twice a huge rate overflows a float, and whole turns less is the same turn.
    return static_cast<float>(std::fmod(2.0 * rate, 360.0));
}

float TurnAngle(float angle, float rate)
{
    // Unwrapped, a day-long run outgrows single precision and the turn stalls.
    return std::fmod(angle + TurnStep(rate), 360.0f);
}

float Between(float from, float to, float share)
{
    if (share <= 0)
        return from;
    if (share >= 1)
        return to;
    return from + (to - from) * share;
}

bool HasExtension(const char* list, const char* name)
{
    // A whole name of the list, not the start of a longer one.
    const std::size_t length = std::strlen(name);
    for (const char* at = list; at && (at = std::strstr(at, name)) != nullptr; at += length)
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    return false;
}

bool HasPointSprites(const char* version, const char* extensions)
{
    return (version && std::atoi(version) >= 2) || HasExtension(extensions, "GL_ARB_point_sprite");
}

bool DrawnAsSprites(const PointCaps& caps, float pixels)
{
    return caps.Sprites && pixels <= caps.Largest;
}

float RaisedSize(const PointCaps& caps, float pixels)
{
    // OpenGL 1.1 cannot say its smallest size, and draws no point under a pixel.
    return std::max({pixels, caps.Smallest, 1.0f});
}

Outline LitOutline(const unsigned char* texels)
{
    // The octagon's sides face these ways: few corners, and little beyond a round halo.
    constexpr int FACING[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    constexpr double SIDE = SPRITE_SIDE;
    double reach[8];
    std::fill(std::begin(reach), std::end(reach), -HUGE_VAL);
    for (int y = 0; y < SPRITE_SIDE; ++y)
        for (int x = 0; x < SPRITE_SIDE; ++x) {
            if (!texels[y * SPRITE_SIDE + x])
                continue;
            // A texel lights up to one texel from its centre each way, and on an
            // edge also at the opposite edge, where the texture repeats.
            for (double dy : {-SIDE, 0.0, SIDE})
                for (double dx : {-SIDE, 0.0, SIDE}) {
                    const double u = x + dx + 0.5, v = y + dy + 0.5;
                    if (u + 1 <= 0 || u - 1 >= SIDE || v + 1 <= 0 || v - 1 >= SIDE)
                        continue;
                    for (int k = 0; k < 8; ++k) {
                        const int a = FACING[k][0], b = FACING[k][1];
                        reach[k] = std::max(reach[k], a * u + b * v + std::abs(a) + std::abs(b));
                    }
                }
        }
    // The square cut by each side in turn.
    double corners[OUTLINE_CORNERS][2] = {{0, 0}, {SIDE, 0}, {SIDE, SIDE}, {0, SIDE}};
    int count = 4;
    for (int k = 0; k < 8 && count > 0; ++k) {
        double kept[OUTLINE_CORNERS][2];
        int keeping = 0;
        const auto beyond = [&](const double* p) { return FACING[k][0] * p[0] + FACING[k][1] * p[1] - reach[k]; };
        for (int i = 0; i < count; ++i) {
            const double* p = corners[i];
            const double* q = corners[(i + 1) % count];
            const double bp = beyond(p), bq = beyond(q);
            if (bp <= 0) {
                kept[keeping][0] = p[0];
                kept[keeping++][1] = p[1];
            }
            if ((bp < 0 && bq > 0) || (bp > 0 && bq < 0)) {
                const double t = bp / (bp - bq);
                kept[keeping][0] = p[0] + t * (q[0] - p[0]);
                kept[keeping++][1] = p[1] + t * (q[1] - p[1]);
            }
        }
        std::copy_n(&kept[0][0], 2 * keeping, &corners[0][0]);
        count = keeping;
    }
    Outline outline = {count, {}};
    for (int i = 0; i < count; ++i) {
        outline.Corner[i][0] = static_cast<float>(corners[i][0] / SIDE);
        outline.Corner[i][1] = static_cast<float>(corners[i][1] / SIDE);
    }
    return outline;
}

PIXELFORMATDESCRIPTOR PixelFormatRequest()
{
    PIXELFORMATDESCRIPTOR request = {};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = 16;
    request.cAccumBits = 16;
    request.cDepthBits = 16;
    return request;
}

int ChooseFormat(const PIXELFORMATDESCRIPTOR* formats, int count)
{
    constexpr DWORD NEEDED = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    int chosen = 0;
    std::array<int, 4> best = {};
    for (int i = 0; i < count; ++i) {
        const PIXELFORMATDESCRIPTOR& format = formats[i];
        if ((format.dwFlags & NEEDED) != NEEDED || format.iPixelType != PFD_TYPE_RGBA)
            continue;
        // A generic format that a driver accelerates is the driver's own.
        const bool software = (format.dwFlags & PFD_GENERIC_FORMAT) && !(format.dwFlags & PFD_GENERIC_ACCELERATED);
        const std::array<int, 4> rank = {!software, std::min<int>(format.cColorBits, 32), format.cDepthBits > 0, format.cAccumBits > 0};
        if (!chosen || rank > best) {
            chosen = i + 1;
            best = rank;
        }
    }
    return chosen;
}

float ClientSide(float side)
{
    return side > 0 ? side : 1.0f;
}

int ViewportSide(float clientSide)
{
    return clientSide < 2147483648.0f ? static_cast<int>(clientSide) : INT_MAX;
}
