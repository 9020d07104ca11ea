#include "scene/rules.h"

#include "scene/oglscene.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

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

float TurnAngle(float angle, float rate)
{
    // Unwrapped, a day-long run outgrows single precision and the turn stalls.
    // Twice a huge rate overflows a float, and whole turns less is the same turn.
    const float step = static_cast<float>(std::fmod(2.0 * rate, 360.0));
    return std::fmod(angle + step, 360.0f);
}

bool HasPointSprites(const char* version, const char* extensions)
{
    if (version && std::atoi(version) >= 2)
        return true;
    // A whole name of the list, not the start of a longer one.
    const char name[] = "GL_ARB_point_sprite";
    const std::size_t length = sizeof name - 1;
    for (const char* at = extensions; at && (at = std::strstr(at, name)) != nullptr; at += length)
        if ((at == extensions || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    return false;
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

float ClientSide(float side)
{
    return side > 0 ? side : 1.0f;
}

int ViewportSide(float clientSide)
{
    return clientSide < 2147483648.0f ? static_cast<int>(clientSide) : INT_MAX;
}
