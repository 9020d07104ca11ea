// The scene: a cloud of point sprites, its animation and its OpenGL context.
#pragma once

#include "settings/settings.h"

#include <windows.h>

#include <GL/gl.h>

constexpr unsigned MAX_POINTS = 1500;
constexpr int SPRITE_SIDE = 64;
constexpr int SPRITE_TEXELS = SPRITE_SIDE * SPRITE_SIDE;
constexpr unsigned MAX_MONITORS = 16;

// A part of the window that shows the whole cloud: one for each monitor the window reaches.
struct SceneView {
    RECT Area;    // in the window's pixels, from its top left
    float Scale;  // pixels per unit of point size: the DPI / 96
};

// What a context can draw as point sprites.
struct PointCaps {
    bool Sprites;
    float Smallest, Largest;  // in pixels
};

// A convex polygon in texture coordinates, which run from the halo's top left.
constexpr int OUTLINE_CORNERS = 12;
struct Outline {
    int Count;
    float Corner[OUTLINE_CORNERS][2];
};

// What a frame shows of the scene.
struct ScenePose {
    float Cloud[MAX_POINTS][3];
    float Angle[3];
    float Color[3];
    float PointSize;
};

// The scene's rendering contexts come from here, wglCreateContext unless a test
// needs to see how a failure is met.
extern HGLRC(WINAPI* SceneCreateContext)(HDC);

class OGLSCENE {
public:
    OGLSCENE();
    ~OGLSCENE();

    // Throws const char* when no context can be created or made current.
    void Create(HWND window, const unsigned char* sprite);
    void SetupOpenGL();
    void SetSSData(SS_Data data);
    void SetValues();
    // New settings for the running scene, which builds again only what they
    // change: the texture for a base colour; the cloud and its spins for a count, a
    // spread or a speed, from the draws it was built from, so that it is the same
    // cloud. The colour and the point size start again where a change reaches them;
    // the turns and the colours' drift go on from where they are.
    void ChangeSSData(SS_Data data);
    float MonteCarlo();
    void Resize(float width, float height);
    void Rotate();
    // out must not be in: each row reads all of in.
    static void ApplyMatrix(const float* m, const float* in, float* out);
    void Redraw();
    void DrawCloud();
    void Destroy(HWND window);
    // Where the views lie in the window, each drawn at its own aspect and scale and
    // kept inside its own area. At most MAX_MONITORS are kept; a single view, or
    // none at scale 1, covers the whole window.
    void SetViews(const SceneView* views, unsigned count);
    // The largest FrameScale whose frame fits in the renderer's textures, and so
    // can be stretched over the window.
    float LargestStretchedScale() const;

    HWND hWnd = nullptr;
    HDC hDC = nullptr;
    HGLRC hRC = nullptr;
    SS_Data Data = {};
    unsigned char Sprite[SPRITE_TEXELS] = {};
    float Cloud[MAX_POINTS][3] = {};
    float Spin[MAX_POINTS] = {};
    float ZPos = -300.0f;
    float Angle[3] = {0, 0, 0};
    float Color[3] = {};
    float PointSize = 0;
    // The last point size above 0 that a frame drew: OpenGL refuses any other and
    // keeps the size it had, which starts at 1.
    float ValidSize = 1;
    bool ColorUp[3] = {true, true, true};
    bool SizeUp = true;
    // Frames fall between ticks: they show the scene a Share of the way from
    // Before, as it stood before the last tick, to where it stands now. Turned is
    // each angle's turn in that tick.
    ScenePose Before = {};
    float Turned[3] = {};
    float Share = 1;
    // What the last frame drew.
    ScenePose Shown = {};
    GLuint Texture = 0;
    SceneView Views[MAX_MONITORS] = {};
    unsigned ViewCount = 0;
    PointCaps Points = {};
    // Frames are drawn at this share of the window's width and height, then
    // stretched over it: 1, or less where the renderer cannot fill the window at
    // the display's pace. A halo is soft, so little of it is lost.
    float FrameScale = 1;
    int Width = 1, Height = 1;  // the client area's, in whole pixels
    GLint MaxTextureSide = 0;
    GLuint FrameTexture = 0;
    int FrameTextureSide[2] = {};
    // Where the halo's texture is not black, as a linear filter reads it: what a
    // point drawn as a polygon must fill.
    Outline Lit = {};

    // Keeps the scene as it stands in Before, with no turn since.
    void KeepBefore();

private:
    // A spin's sine and cosine, kept because they cost more than the rest of a
    // point's turn; Angle tells whether they still belong to Spin.
    struct Turn {
        float Angle;
        double Sin, Cos;
    };
    const Turn& TurnOf(unsigned point);
    void StartColor();
    // The tinted halo into Texture, and the outline it lights.
    void TintTexture();
    // Cloud and Spin from the draws, drawing those that a larger count needs.
    void BuildCloud();

    Turn Turns[MAX_POINTS];
    // A point's draws: its three sampled angles, then the draw for its spin.
    struct PointDraws {
        float Angle[3];
        int Spin;
    };
    PointDraws Drawn[MAX_POINTS];
    unsigned DrawnCount = 0;
};

// One tick of the animation.
void Animate(OGLSCENE& scene);
// The pose a share of the way from the scene's Before to where it stands now.
void PoseBetween(const OGLSCENE& scene, float share, ScenePose& pose);
// Redraw without presenting: the frame is left in the back buffer.
void DrawFrame(OGLSCENE& scene);
// DrawFrame in two: a display may hold the frame in its first drawing call, the
// clear, until a back buffer is free; the rest is the frame's own cost.
void ClearFrame();
void DrawClearedFrame(OGLSCENE& scene);
// Waits until the renderer has drawn all that it was given.
void FinishFrame();
