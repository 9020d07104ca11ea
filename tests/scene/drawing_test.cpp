#include "scene/oglscene.h"
#include "scene/rules.h"
#include "tests/scene/scene_support.h"
#include "tests/support/scene_window.h"

#include <gtest/gtest.h>

#include <GL/glext.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

GLint Integer(GLenum name)
{
    GLint value[4] = {};
    glGetIntegerv(name, value);
    return value[0];
}

TEST(Drawing, CreateMakesTheContextCurrentAndDestroyReleasesIt)
{
    OGLSCENE().Destroy(nullptr);  // before any Create: nothing to release

    WindowScene scene(77);
    EXPECT_EQ(scene->hWnd, scene.Window());
    ASSERT_NE(scene->hRC, nullptr);
    EXPECT_EQ(wglGetCurrentContext(), scene->hRC);
    EXPECT_EQ(scene->Sprite[0], 77);
    EXPECT_EQ(scene->Sprite[SPRITE_TEXELS - 1], 77);
    PIXELFORMATDESCRIPTOR chosen = {};
    DescribePixelFormat(scene->hDC, GetPixelFormat(scene->hDC), sizeof chosen, &chosen);
    EXPECT_EQ(chosen.dwFlags & 37u, 37u) << "double-buffered, for OpenGL, on a window";
    EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_POINT_SPRITE));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

    scene->Destroy(scene.Window());
    EXPECT_EQ(scene->hRC, nullptr);
    EXPECT_EQ(scene->hDC, nullptr);
    EXPECT_EQ(scene->hWnd, scene.Window());
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    scene->Destroy(scene.Window());
}

TEST(Drawing, SettingsBuildTheTintedHaloAndAdditiveSpriteState)
{
    WindowScene scene;
    // Values that differ along rows and columns, so that a transposed or shifted image shows.
    for (int i = 0; i < SPRITE_TEXELS; ++i)
        scene->Sprite[i] = static_cast<unsigned char>((i / SPRITE_SIDE * 4 + i % SPRITE_SIDE * 3) & 0xFF);
    const auto texture = [] {
        std::vector<unsigned char> texels(SPRITE_TEXELS * 3);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    };

    scene->SetSSData(DefaultData);  // base colour 127, 127, 0
    std::vector<unsigned char> texels = texture();
    const unsigned char* at200 = &texels[50 * SPRITE_SIDE * 3];
    const unsigned char* at100 = &texels[25 * SPRITE_SIDE * 3];
    EXPECT_EQ(std::vector<int>(at200, at200 + 3), (std::vector<int>{73, 73, 200}));
    EXPECT_EQ(std::vector<int>(at100, at100 + 3), (std::vector<int>{0, 0, 100}));
    EXPECT_EQ(std::vector<int>(texels.begin(), texels.begin() + 3), (std::vector<int>{0, 0, 0}));
    for (int i = 0; i < SPRITE_TEXELS; ++i)
        ASSERT_EQ(texels[3 * i + 2], scene->Sprite[i]) << "texel " << i;

    const GLuint first = scene->Texture;
    SS_Data data = DefaultData;
    data.BCol_R = 255;
    data.BCol_G = 0;
    scene->SetSSData(data);
    texels = texture();
    for (int i = 0; i < SPRITE_TEXELS; ++i) {
        ASSERT_EQ(texels[3 * i], 0) << "texel " << i;
        ASSERT_EQ(texels[3 * i + 1], scene->Sprite[i]) << "texel " << i;
    }
    EXPECT_NE(scene->Texture, first);
    EXPECT_EQ(static_cast<GLuint>(Integer(GL_TEXTURE_BINDING_2D)), scene->Texture);

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(Integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_BLEND_DST), GL_ONE);
    GLint replace;
    glGetTexEnviv(GL_POINT_SPRITE, GL_COORD_REPLACE, &replace);
    EXPECT_EQ(replace, GL_TRUE);
}

TEST(Drawing, ResizeFollowsTheClientAreaWithAThreeDegreeView)
{
    WindowScene scene;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float Width, Height;
        GLint ViewWidth, ViewHeight;
        float Aspect;
    } cases[] = {
        {800, 600, 800, 600, 1.3333334f},
        {0, 600, 1, 600, 1.0f / 600},
        {0, 0, 1, 1, 1.0f},
        {-5, -7, 1, 1, 1.0f},
        {1.5f, 2.7f, 1, 2, 0.5555555f},
        {nan, 600, 1, 600, 1.0f / 600},
    };
    for (const auto& size : cases) {
        scene->Resize(size.Width, size.Height);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[0] | viewport[1], 0);
        EXPECT_EQ(viewport[2], size.ViewWidth) << size.Width << " x " << size.Height;
        EXPECT_EQ(viewport[3], size.ViewHeight) << size.Width << " x " << size.Height;
        GLfloat projection[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        EXPECT_NEAR(2 * std::atan(1 / projection[5]) * 180 / 3.14159265358979323846, 3.0, 1e-4);
        EXPECT_NEAR(projection[5] / projection[0], size.Aspect, size.Aspect * 1e-6);
        EXPECT_EQ(Integer(GL_MATRIX_MODE), GL_MODELVIEW);
    }
}

// Sum of the red channel, and its centre of gravity in pixels.
struct Light {
    double Total = 0, X = 0, Y = 0;
};

// The red light of a frame, or of the columns from..to of it, and where its centre lies.
Light LightOf(const std::vector<std::uint8_t>& frame, int width, int from = 0, int to = INT_MAX)
{
    Light light;
    for (std::size_t i = 0; i < frame.size(); i += 3) {
        const int pixel = static_cast<int>(i / 3);
        if (pixel % width < from || pixel % width >= to)
            continue;
        light.Total += frame[i];
        light.X += frame[i] * double(pixel % width);
        light.Y += frame[i] * double(pixel / width);
    }
    if (light.Total > 0) {
        light.X /= light.Total;
        light.Y /= light.Total;
    }
    return light;
}

TEST(Drawing, FramesAddSpritesOnBlack)
{
    WindowScene bright;  // 128 x 128
    bright->SetSSData(WindowScene::OriginPoints(1));
    std::vector<std::uint8_t> frame = bright.Frame();
    const std::size_t centre = (64 * 128 + 64) * 3;
    EXPECT_EQ(frame[centre], 255);
    EXPECT_EQ(frame[centre + 1], 255);
    EXPECT_EQ(frame[centre + 2], 255);
    const Light light = LightOf(frame, 128);
    EXPECT_NEAR(light.Total, 8 * 8 * 255, 255 * 8) << "one point of size 8";
    EXPECT_NEAR(light.X, 63.5, 0.5);
    EXPECT_NEAR(light.Y, 63.5, 0.5);

    bright->SetSSData(WindowScene::OriginPoints(0));
    frame = bright.Frame();
    EXPECT_EQ(LightOf(frame, 128).Total, 0) << "no points, all black";

    WindowScene dim(64);
    dim->SetSSData(WindowScene::OriginPoints(1));
    EXPECT_EQ(dim.Frame()[centre], 64);
    dim->SetSSData(WindowScene::OriginPoints(2));
    EXPECT_EQ(dim.Frame()[centre], 128) << "two halos on one spot add";
}

TEST(Drawing, EachMonitorGetsTheWholeCloudAtItsOwnAspect)
{
    // One point 2 units right of the centre: its offset in pixels follows the
    // height of the view it is drawn in, whatever the width.
    WindowScene single(255, 100, 100);
    single->SetSSData(WindowScene::OriginPoints(1));
    single->Cloud[0][0] = 2.0f;
    const Light alone = LightOf(single.Frame(), 100);
    const double offset = alone.X - 49.5;
    ASSERT_GT(offset, 10.0);

    // A window over two monitors: 80 x 100 at the left, 120 x 60 beside it and 20 lower.
    WindowScene spanning(255, 200, 100);
    spanning->SetSSData(WindowScene::OriginPoints(1));
    spanning->Cloud[0][0] = 2.0f;
    const RECT monitors[] = {{0, 0, 80, 100}, {80, 20, 200, 80}};
    spanning->SetMonitors(monitors, 2, 100);
    const std::vector<std::uint8_t> frame = spanning.Frame();
    const Light left = LightOf(frame, 200, 0, 80), right = LightOf(frame, 200, 80, 200);
    EXPECT_NEAR(left.Total, alone.Total, 255 * 4);
    EXPECT_NEAR(right.Total, alone.Total, 255 * 4);
    EXPECT_NEAR(left.X, 39.5 + offset, 0.5);
    EXPECT_NEAR(left.Y, 49.5, 0.5);
    EXPECT_NEAR(right.X, 139.5 + offset * 60 / 100, 0.5);
    EXPECT_NEAR(right.Y, 100 - 50 - 0.5, 0.5) << "rows count from the bottom in the frame";

    // One monitor draws as a window without monitors does.
    spanning->SetMonitors(monitors, 1, 100);
    spanning->Resize(200, 100);
    EXPECT_NEAR(LightOf(spanning.Frame(), 200).X, 99.5 + offset, 0.5);
}

TEST(Drawing, CloudTurnsAboutXThenYThenZOfTheView)
{
    WindowScene scene;
    scene->SetSSData(WindowScene::OriginPoints(1));
    const auto lightAt = [&scene](float x, float y, float z, float angleX, float angleZ) {
        const float point[3] = {x, y, z}, angle[3] = {angleX, 0, angleZ};
        std::memcpy(scene->Cloud[0], point, sizeof point);
        std::memcpy(scene->Angle, angle, sizeof angle);
        return LightOf(scene.Frame(), 128);
    };
    const Light plainZ = lightAt(0, 0, 1, 0, 0), plainY = lightAt(0, 1, 0, 0, 0);
    const Light turnedY = lightAt(0, 1, 0, 90, 0), turnedX = lightAt(1, 0, 0, 0, 90);
    EXPECT_GT(plainY.Y - plainZ.Y, 5) << "unturned, the two points lie apart";
    EXPECT_NEAR(turnedY.X, plainZ.X, 0.1);
    EXPECT_NEAR(turnedY.Y, plainZ.Y, 0.1);
    EXPECT_NEAR(turnedX.X, plainY.X, 0.1);
    EXPECT_NEAR(turnedX.Y, plainY.Y, 0.1);
    const Light turnedZThenX = lightAt(1, 0, 0, 90, 90);
    EXPECT_NEAR(turnedZThenX.X, plainZ.X, 0.1);
    EXPECT_NEAR(turnedZThenX.Y, plainZ.Y, 0.1);
}

TEST(Drawing, HostileStoredValuesKeepDefinedResults)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    WindowScene scene;
    SS_Data data = DefaultData;
    data.BCol_R = INT_MIN;
    data.BCol_G = INT_MAX;
    data.BCol_B = -1;
    data.SCol_R = nan;
    data.Anim_B = 1;
    data.Spread = nan;
    data.Speed = inf;
    data.Sizing = 1;
    data.Size_Min = nan;
    data.Size_Max = inf;
    data.PointCount = -1;
    data.RotX = inf;
    data.Anim_RotX = 1;
    scene->SetSSData(data);
    unsigned char texel[SPRITE_TEXELS * 3];
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
    EXPECT_EQ(texel[0], 255) << "255 less INT_MIN, low byte";
    EXPECT_EQ(texel[1], 0);
    EXPECT_EQ(texel[2], 0) << "256, low byte";

    scene->Resize(inf, nan);
    GLint viewport[4], largest[2];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    EXPECT_EQ(viewport[2], largest[0]);
    EXPECT_EQ(viewport[3], 1);

    for (int tick = 0; tick < 20; ++tick)
        scene->Timer();
    EXPECT_EQ(scene->ZPos, -300.0f);

    // The context is unharmed: ordinary settings draw again.
    scene->Resize(128, 128);
    scene->SetSSData(WindowScene::OriginPoints(1));
    scene->Angle[0] = 0;
    EXPECT_EQ(scene.Frame()[(64 * 128 + 64) * 3], 255);
}

}  // namespace

namespace {

std::string CreateFailure(HGLRC(WINAPI* create)(HDC))
{
    const auto real = SceneCreateContext;
    SceneCreateContext = create;
    HWND window = OpenSceneWindow(32, 32, WS_POPUP);
    OGLSCENE scene;
    const unsigned char sprite[SPRITE_TEXELS] = {9};
    std::string message = "no exception";
    try {
        scene.Create(window, sprite);
    } catch (const char* text) {
        message = text;
    }
    SceneCreateContext = real;
    EXPECT_EQ(scene.Sprite[0], 0) << "nothing is taken from a failed Create";
    scene.hRC = nullptr;
    DestroyWindow(window);
    return message;
}

}  // namespace

TEST(Drawing, AFailedContextIsReportedWithItsOwnText)
{
    EXPECT_EQ(CreateFailure(NoContext), "ERROR: wglCreateContext()");
    EXPECT_EQ(CreateFailure(StaleContext), "ERROR: MakeCurrent()");
}
