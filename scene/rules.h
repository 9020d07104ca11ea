// The scene's decisions, kept apart from windows and OpenGL so that each can be
// checked on its own.
#pragma once

#include "scene/oglscene.h"
#include "settings/settings.h"

#include <windows.h>

#include <cstdint>

// The points in use: a stored count is taken as unsigned, so a negative one is
// huge, and no count may reach past the cloud.
unsigned LivePoints(std::int32_t pointCount);

// One channel of a halo texel: the sprite's luminance less the base colour, 0 where
// that is negative, else the low byte of the difference.
std::uint8_t TintChannel(std::uint8_t luminance, std::int32_t base);

// What new settings change in a running scene: its texture, its cloud, and
// whether its colour and its point size start again.
struct SceneChange {
    bool Texture, Cloud, Color, Size;
};
SceneChange ChangeBetween(const SS_Data& was, const SS_Data& now);

// A draw of 0 … 32767 as a value in [0, 1].
double Unit(int draw);

// Radians per tick, uniform in ±speed / 50.
float SpinRate(int draw, float speed);

// A quantity that drifts up or down and turns at its bounds.
struct Drift {
    float Value;
    bool Up;
};

// One tick of one colour channel between 0.1 and 1.0.
Drift DriftChannel(Drift channel, int draw);
// The point size at the start, by sizing mode; other modes keep current.
float StartingSize(const SS_Data& data, float current);
// One tick of the point size by sizing mode.
Drift StepPointSize(const SS_Data& data, Drift size);
// One tick's turn about an axis turning at this rate, in degrees, less whole turns.
float TurnStep(float rate);
// One tick of the cloud's turn about one axis, in degrees, kept within ±360.
float TurnAngle(float angle, float rate);
// The value a share of the way from one to the other: either one itself at 0 and 1.
float Between(float from, float to, float share);

// Whether a list of extensions, their names apart by spaces, holds this one.
bool HasExtension(const char* list, const char* name);
// Whether a context has point sprites, from its GL_VERSION and GL_EXTENSIONS.
bool HasPointSprites(const char* version, const char* extensions);
// Whether points of this many pixels, above 0, are drawn as sprites; otherwise they are
// drawn as polygons. The renderer itself raises a sprite to its smallest size.
bool DrawnAsSprites(const PointCaps& caps, float pixels);
// The pixels across of a point of this size above 0, as a renderer draws it.
float RaisedSize(const PointCaps& caps, float pixels);

// An octagon, or less, within the halo's square and around every place where a
// linear filter of these texels, repeated as the texture is, is not black. No
// corners where every texel is black.
Outline LitOutline(const unsigned char* texels);

// What to ask ChoosePixelFormat for when no format of the device's own will do.
PIXELFORMATDESCRIPTOR PixelFormatRequest();
// The format to draw with from a device's formats, numbered from 1: RGBA,
// double-buffered, drawn to a window with OpenGL. Accelerated ones come first,
// since Windows' own OpenGL draws in software and has no point sprites; then the
// most colour bits up to 32, a depth buffer and an accumulation buffer. 0 when
// none will do.
int ChooseFormat(const PIXELFORMATDESCRIPTOR* formats, int count);
// A client size for the projection: 1 in place of anything not positive.
float ClientSide(float side);
// A ClientSide in whole pixels, truncated; sizes past the int range saturate.
int ViewportSide(float clientSide);
