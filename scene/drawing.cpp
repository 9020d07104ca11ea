#include "scene/oglscene.h"

#include "scene/rules.h"

#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstring>

HGLRC(WINAPI* SceneCreateContext)(HDC) = wglCreateContext;

void OGLSCENE::Create(HWND window, const unsigned char* sprite)
{
    hWnd = window;
    hDC = GetDC(window);
    const PIXELFORMATDESCRIPTOR request = PixelFormatRequest();
    SetPixelFormat(hDC, ChoosePixelFormat(hDC, &request), &request);
    hRC = SceneCreateContext(hDC);
    if (!hRC)
        throw "ERROR: wglCreateContext()";
    if (!wglMakeCurrent(hDC, hRC))
        throw "ERROR: MakeCurrent()";
    std::memcpy(Sprite, sprite, sizeof Sprite);
    SetupOpenGL();
}

void OGLSCENE::SetupOpenGL()
{
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glEnable(GL_POINT_SPRITE);
    glClearColor(0, 0, 0, 0);
}

namespace {

void SetPerspective(float aspect)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(3.0, aspect, 0.1, 10000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The cloud in its place and turn, over whatever the frame already holds.
void DrawView(OGLSCENE& scene)
{
    glLoadIdentity();
    glTranslatef(0, 0, scene.ZPos);
    glRotatef(scene.Angle[0], 1, 0, 0);
    glRotatef(scene.Angle[1], 0, 1, 0);
    glRotatef(scene.Angle[2], 0, 0, 1);
    glPointSize(scene.PointSize);
    glColor3fv(scene.Color);
    scene.DrawCloud();
}

}  // namespace

void OGLSCENE::Resize(float width, float height)
{
    width = ClientSide(width);
    height = ClientSide(height);
    const float aspect = width / height;
    glViewport(0, 0, ViewportSide(width), ViewportSide(height));
    SetPerspective(aspect);
}

void OGLSCENE::SetMonitors(const RECT* monitors, unsigned count, int windowHeight)
{
    MonitorCount = count < MAX_MONITORS ? count : MAX_MONITORS;
    std::copy(monitors, monitors + MonitorCount, Monitors);
    WindowHeight = windowHeight;
}

void OGLSCENE::Redraw()
{
    DrawFrame(*this);
    SwapBuffers(hDC);
}

void DrawFrame(OGLSCENE& scene)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (scene.MonitorCount <= 1) {
        DrawView(scene);
        return;
    }
    for (unsigned i = 0; i < scene.MonitorCount; ++i) {
        const RECT& monitor = scene.Monitors[i];
        const int width = monitor.right - monitor.left, height = monitor.bottom - monitor.top;
        glViewport(monitor.left, scene.WindowHeight - monitor.bottom, width, height);
        SetPerspective(static_cast<float>(width) / static_cast<float>(height));
        DrawView(scene);
    }
}

void OGLSCENE::DrawCloud()
{
    const unsigned count = LivePoints(Data.PointCount);
    glBegin(GL_POINTS);
    for (unsigned i = 0; i < count; ++i)
        glVertex3fv(Cloud[i]);
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
}
