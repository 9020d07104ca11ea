#include "scene/oglscene.h"

#include "scene/rules.h"

#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

HGLRC(WINAPI* SceneCreateContext)(HDC) = wglCreateContext;

namespace {

template <typename Proc>
Proc WglProc(const char* name)
{
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(wglGetProcAddress(name)));
}

// The driver's WGL extensions, by either of the two calls that list them; none without both.
const char* WglExtensions(HDC dc)
{
    using ExtensionsArbProc = const char*(WINAPI*)(HDC);
    using ExtensionsExtProc = const char*(WINAPI*)();
    if (const auto arb = WglProc<ExtensionsArbProc>("wglGetExtensionsStringARB"))
        return arb(dc);
    if (const auto ext = WglProc<ExtensionsExtProc>("wglGetExtensionsStringEXT"))
        return ext();
    return nullptr;
}

}  // namespace

void OGLSCENE::Create(HWND window, const unsigned char* sprite)
{
    hWnd = window;
    hDC = GetDC(window);
    // ChoosePixelFormat may weigh an accumulation buffer over the GPU itself.
    std::vector<PIXELFORMATDESCRIPTOR> formats(DescribePixelFormat(hDC, 1, sizeof(PIXELFORMATDESCRIPTOR), nullptr));
    for (std::size_t i = 0; i < formats.size(); ++i)
        DescribePixelFormat(hDC, static_cast<int>(i + 1), sizeof formats[i], &formats[i]);
    if (const int chosen = ChooseFormat(formats.data(), static_cast<int>(formats.size()))) {
        SetPixelFormat(hDC, chosen, &formats[chosen - 1]);
    } else {
        const PIXELFORMATDESCRIPTOR request = PixelFormatRequest();
        SetPixelFormat(hDC, ChoosePixelFormat(hDC, &request), &request);
    }
    hRC = SceneCreateContext(hDC);
    if (!hRC)
        throw "ERROR: wglCreateContext()";
    if (!wglMakeCurrent(hDC, hRC))
        throw "ERROR: MakeCurrent()";
    std::memcpy(Sprite, sprite, sizeof Sprite);
    SetupOpenGL();
    // A swap that waits for the display gives one frame a refresh, where the driver
    // allows it. Some drivers give a function for a name that they do not list.
    if (HasExtension(WglExtensions(hDC), "WGL_EXT_swap_control")) {
        using SwapIntervalProc = BOOL(WINAPI*)(int);
        if (const auto swapInterval = WglProc<SwapIntervalProc>("wglSwapIntervalEXT"))
            swapInterval(1);
    }
    // Not every renderer draws sprites as large as the saver offers, or at all:
    // Windows' own OpenGL has none, and many drivers stop near 255 pixels.
    GLfloat sizes[2] = {};
    glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, sizes);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &MaxTextureSide);
    Points = {HasPointSprites(reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                              reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS))),
              sizes[0], sizes[1]};
}

void OGLSCENE::SetupOpenGL()
{
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glEnable(GL_POINT_SPRITE);
    glClearColor(0, 0, 0, 0);
}

namespace {

constexpr double FIELD_OF_VIEW = 3.0;  // degrees, from top to bottom

void SetPerspective(float aspect)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW, aspect, 0.1, 10000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Each point as its halo's outline facing the eye, on the square that its sprite
// would fill, with the same texture, colour and blending. Most of the square is
// black, and filling it is most of a frame's cost on a renderer without sprites.
void DrawOutlines(const OGLSCENE& scene, float pixels)
{
    GLfloat toEye[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, toEye);
    glGetIntegerv(GL_VIEWPORT, viewport);
    // At a distance d from the eye the view is 2 d tan(fov / 2) high, across the viewport's pixels.
    const double halfSidePerDistance = pixels * std::tan(FIELD_OF_VIEW / 2 * 3.14159265358979323846 / 180) / viewport[3];
    const Outline& lit = scene.Lit;
    // Each corner from the square's middle, in half sides; the first row of the halo is its top, as on a sprite.
    float offset[OUTLINE_CORNERS][2];
    for (int c = 0; c < lit.Count; ++c) {
        offset[c][0] = 2 * lit.Corner[c][0] - 1;
        offset[c][1] = 1 - 2 * lit.Corner[c][1];
    }
    glPushMatrix();
    glLoadIdentity();
    // Mesa replaces the texture coordinates of every primitive while point sprites
    // are on. A renderer without them would take either call as an error.
    if (scene.Points.Sprites)
        glDisable(GL_POINT_SPRITE);
    const unsigned count = LivePoints(scene.Data.PointCount);
    glBegin(GL_TRIANGLES);
    for (unsigned i = 0; i < count; ++i) {
        const float* p = scene.Shown.Cloud[i];
        float eye[3];
        for (int r = 0; r < 3; ++r)
            eye[r] = toEye[r] * p[0] + toEye[4 + r] * p[1] + toEye[8 + r] * p[2] + toEye[12 + r];
        const float h = static_cast<float>(-eye[2] * halfSidePerDistance);
        for (int c = 2; c < lit.Count; ++c)
            for (const int corner : {0, c - 1, c}) {
                glTexCoord2fv(lit.Corner[corner]);
                glVertex3f(eye[0] + h * offset[corner][0], eye[1] + h * offset[corner][1], eye[2]);
            }
    }
    glEnd();
    if (scene.Points.Sprites)
        glEnable(GL_POINT_SPRITE);
    glPopMatrix();
}

// The cloud in its place and turn, over whatever the frame already holds; its halos
// as their outlines where asked, which fill fewer pixels than the sprites' squares.
void DrawView(OGLSCENE& scene, float scale, bool outlines = false)
{
    const ScenePose& pose = scene.Shown;
    glLoadIdentity();
    glTranslatef(0, 0, scene.ZPos);
    glRotatef(pose.Angle[0], 1, 0, 0);
    glRotatef(pose.Angle[1], 0, 1, 0);
    glRotatef(pose.Angle[2], 0, 0, 1);
    glColor3fv(pose.Color);
    const float pixels = scene.ValidSize * scale;
    if (outlines || !DrawnAsSprites(scene.Points, pixels)) {
        DrawOutlines(scene, RaisedSize(scene.Points, pixels));
        return;
    }
    glPointSize(pixels);
    scene.DrawCloud();
}

int Scaled(LONG side, float scale)
{
    return static_cast<int>(std::lround(side * scale));
}

int PowerOfTwo(int side)
{
    int power = 1;
    while (power < side)
        power *= 2;
    return power;
}

// The views drawn at the frame's scale in the window's bottom left, each at its full
// area's aspect and its halos shrunk with it, then each stretched back over its own
// area, so that the picture keeps the full frame's geometry. A renderer this slow
// spends its time filling halos, so they are drawn as outlines.
void DrawScaledFrame(OGLSCENE& scene)
{
    const float scale = scene.FrameScale;
    const int height = Scaled(scene.Height, scale), width = Scaled(scene.Width, scale);
    const SceneView whole = {{0, 0, scene.Width, scene.Height}, 1};
    const SceneView* views = scene.ViewCount ? scene.Views : &whole;
    const unsigned count = std::max(scene.ViewCount, 1u);
    RECT parts[MAX_MONITORS];
    // Outlines are polygons, which the viewport clips: no halo reaches another view.
    for (unsigned i = 0; i < count; ++i) {
        const RECT& area = views[i].Area;
        RECT& part = parts[i];
        part = {Scaled(area.left, scale), Scaled(area.top, scale), Scaled(area.right, scale), Scaled(area.bottom, scale)};
        glViewport(part.left, height - part.bottom, part.right - part.left, part.bottom - part.top);
        SetPerspective(static_cast<float>(area.right - area.left) / static_cast<float>(area.bottom - area.top));
        DrawView(scene, views[i].Scale * (part.bottom - part.top) / (area.bottom - area.top), true);
    }

    if (!scene.FrameTexture)
        glGenTextures(1, &scene.FrameTexture);
    glBindTexture(GL_TEXTURE_2D, scene.FrameTexture);
    const int side[2] = {PowerOfTwo(width), PowerOfTwo(height)};
    if (side[0] != scene.FrameTextureSide[0] || side[1] != scene.FrameTextureSide[1]) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, side[0], side[1], 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        std::copy(side, side + 2, scene.FrameTextureSide);
    }
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    // Black again, as the rest of the window is: where no view's stretched picture
    // will cover it, and for the pictures, added to black, to be themselves.
    glScissor(0, 0, width, height);
    glEnable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    // Untinted, on the whole window.
    if (scene.Points.Sprites)
        glDisable(GL_POINT_SPRITE);
    glViewport(0, 0, scene.Width, scene.Height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    for (unsigned i = 0; i < count; ++i) {
        const RECT &area = views[i].Area, &part = parts[i];
        if (part.right <= part.left || part.bottom <= part.top)
            continue;
        // Texels to their true places, but within half a texel of the part's edge
        // those at its edge alone: the filter would blend in what lies beyond it,
        // another view's or nothing. Window pixels across, texture texels up.
        const float across = 0.5f * (area.right - area.left) / (part.right - part.left);
        const float up = 0.5f * (area.bottom - area.top) / (part.bottom - part.top);
        const float x[4] = {2.0f * area.left / scene.Width - 1, 2 * (area.left + across) / scene.Width - 1,
                            2 * (area.right - across) / scene.Width - 1, 2.0f * area.right / scene.Width - 1};
        const float y[4] = {1 - 2.0f * area.bottom / scene.Height, 1 - 2 * (area.bottom - up) / scene.Height,
                            1 - 2 * (area.top + up) / scene.Height, 1 - 2.0f * area.top / scene.Height};
        const float u[4] = {(part.left + 0.5f) / side[0], (part.left + 0.5f) / side[0], (part.right - 0.5f) / side[0], (part.right - 0.5f) / side[0]};
        const float v[4] = {(height - part.bottom + 0.5f) / side[1], (height - part.bottom + 0.5f) / side[1],
                            (height - part.top - 0.5f) / side[1], (height - part.top - 0.5f) / side[1]};
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b)
                for (const auto& [c, d] : {std::pair{a, b}, {a + 1, b}, {a + 1, b + 1}, {a, b + 1}}) {
                    glTexCoord2f(u[c], v[d]);
                    glVertex2f(x[c], y[d]);
                }
    }
    glEnd();
    if (scene.Points.Sprites)
        glEnable(GL_POINT_SPRITE);
    glBindTexture(GL_TEXTURE_2D, scene.Texture);
    // What a frame at full scale takes as given.
    SetPerspective(static_cast<float>(scene.Width) / static_cast<float>(scene.Height));
}

}  // namespace

void OGLSCENE::Resize(float width, float height)
{
    width = ClientSide(width);
    height = ClientSide(height);
    const float aspect = width / height;
    Width = ViewportSide(width);
    Height = ViewportSide(height);
    glViewport(0, 0, Width, Height);
    SetPerspective(aspect);
}

float OGLSCENE::LargestStretchedScale() const
{
    return static_cast<float>(MaxTextureSide) / static_cast<float>(std::max(Width, Height));
}

void OGLSCENE::SetViews(const SceneView* views, unsigned count)
{
    ViewCount = std::min(count, MAX_MONITORS);
    std::copy(views, views + ViewCount, Views);
}

void OGLSCENE::Redraw()
{
    DrawFrame(*this);
    SwapBuffers(hDC);
}

void DrawFrame(OGLSCENE& scene)
{
    ClearFrame();
    DrawClearedFrame(scene);
}

void ClearFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void FinishFrame()
{
    glFinish();
}

void DrawClearedFrame(OGLSCENE& scene)
{
    PoseBetween(scene, scene.Share, scene.Shown);
    if (scene.Shown.PointSize > 0)
        scene.ValidSize = scene.Shown.PointSize;
    if (scene.FrameScale < 1 && scene.FrameScale <= scene.LargestStretchedScale()) {
        DrawScaledFrame(scene);
        return;
    }
    if (scene.ViewCount <= 1) {
        DrawView(scene, scene.ViewCount ? scene.Views[0].Scale : 1.0f);
        return;
    }
    // OpenGL keeps a point only by its centre, so a halo near a monitor's edge
    // would spill into the next monitor's view, and vanish there all at once.
    glEnable(GL_SCISSOR_TEST);
    for (unsigned i = 0; i < scene.ViewCount; ++i) {
        const RECT& area = scene.Views[i].Area;
        const int width = area.right - area.left, height = area.bottom - area.top;
        glViewport(area.left, scene.Height - area.bottom, width, height);
        glScissor(area.left, scene.Height - area.bottom, width, height);
        SetPerspective(static_cast<float>(width) / static_cast<float>(height));
        DrawView(scene, scene.Views[i].Scale);
    }
    glDisable(GL_SCISSOR_TEST);
}

void OGLSCENE::DrawCloud()
{
    const unsigned count = LivePoints(Data.PointCount);
    glBegin(GL_POINTS);
    for (unsigned i = 0; i < count; ++i)
        glVertex3fv(Shown.Cloud[i]);
    glEnd();
}

void OGLSCENE::Destroy(HWND window)
{
    if (hRC) {
        wglMakeCurrent(hDC, nullptr);
        wglDeleteContext(hRC);
    }
    // A Create that found no context still holds the device context.
    if (hDC)
        ReleaseDC(window, hDC);
    hDC = nullptr;
    hRC = nullptr;
    // Its texture went with the context.
    FrameTexture = 0;
    std::fill(std::begin(FrameTextureSide), std::end(FrameTextureSide), 0);
}
