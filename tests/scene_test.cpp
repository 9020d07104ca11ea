#include "tests/support.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr float PI_F = 3.14159274f;  // the float nearest to pi

TEST(Scene, TheCloudIsARaisedCosineScaledBySpreadSpinsScaleWithSpeedAndNoCountGoesPastIt)
{
    WindowScene scene;
    SS_Data data = DefaultData;
    std::tie(data.PointCount, data.Spread, data.Speed) = std::tuple{MAX_POINTS, 2.5f, 0.8f};
    // The cloud that the settings build, from a fixed seed.
    const auto build = [&] { std::srand(77); scene->SetSSData(data); return std::vector<float>(&scene->Cloud[0][0], &scene->Cloud[0][0] + 3 * MAX_POINTS); };
    const std::vector<float> cloud = build();
    // Under 1 + cos a, (pi + 2) / 2 pi of the angles lie within pi / 2 of the middle; uniform, half.
    const auto inner = std::count_if(cloud.begin(), cloud.end(), [&](float c) { return std::fabs(c) < PI_F / 2 * data.Spread; });
    EXPECT_NEAR(double(inner) / cloud.size(), (PI + 2) / (2 * PI), 0.02);
    for (float coordinate : cloud)  // and no draw gives exactly the middle, so every point was placed
        ASSERT_TRUE(coordinate != 0 && std::fabs(coordinate) <= PI_F * data.Spread) << coordinate;
    const auto [least, most] = std::minmax_element(std::begin(scene->Spin), std::end(scene->Spin));
    EXPECT_TRUE(*least >= -data.Speed / 50 && *least < -0.99f * data.Speed / 50) << *least;
    EXPECT_TRUE(*most <= data.Speed / 50 && *most > 0.99f * data.Speed / 50) << *most;
    for (std::int32_t count : {-1, 1501, INT_MAX}) {
        data.PointCount = count;
        EXPECT_EQ(LivePoints(count), 1500u);
        EXPECT_EQ(build(), cloud) << count;
        Animate(*scene);
        EXPECT_TRUE(scene->ZPos == -300.0f && scene->Share == 1) << "the members after the spins and the last tick's cloud, for " << count;
    }
}

TEST(Scene, EachStepOfTheAnimationFollowsItsRule)
{
    // A colour channel turns only once past a bound, looked at before it moves by draw / 32767 x 0.005.
    const struct { float Value; bool Up; int Draw; double After; bool UpAfter; } colours[] = {{1.0f, true, 32767, 1.005, true},
        {1.001f, true, 32767, 0.996, false}, {0.1f, false, 32767, 0.095, false}, {0.0999f, false, 32767, 0.1049, true},
        {0.5f, false, 0, 0.5, false}, {0.5f, true, 16384, 0.5025, true}};
    for (const auto& c : colours) {
        const Drift after = DriftChannel({c.Value, c.Up}, c.Draw);
        EXPECT_TRUE(std::fabs(after.Value - c.After) < 1e-6 && after.Up == c.UpAfter) << c.Value << " to " << after.Value;
    }
    // The point size, between 300 and 600: where each mode starts it, and a tick from a given size.
    const struct { std::int32_t Sizing; float Start, Size; bool Up; float After; bool UpAfter; } sizes[] = {{0, 300, 599.5f, true, 600, false},
        {0, 300, 599.4f, true, 599.9f, true}, {0, 300, 620, true, 620.5f, false}, {0, 300, 400, false, 400, false},
        {1, 300, 599.75f, true, 600, false}, {1, 300, 300.25f, false, 300, true}, {1, 300, 300.5f, false, 300.25f, false},
        {1, 300, 400, true, 400.25f, true}, {2, 600, 450, true, 450, true}, {3, 42, 450, false, 450, false}};
    SS_Data data = DefaultData;
    for (const auto& s : sizes) {
        data.Sizing = s.Sizing;
        const Drift after = StepPointSize(data, {s.Size, s.Up});
        EXPECT_TRUE(StartingSize(data, 42) == s.Start && after.Value == s.After && after.Up == s.UpAfter) << s.Sizing << " from " << s.Size;
    }

    // Angles stay within a whole turn, whatever the rate.
    EXPECT_EQ(TurnAngle(359.0f, 1.0f), 1.0f);
    for (float rate : {FLT_MAX, -FLT_MAX, 2e38f, -1.7e38f})
        EXPECT_LT(std::fabs(TurnAngle(359.0f, rate)), 360.0f) << rate;

    // A tick spins the live points about X, Y and Z in turn, drifts the ticked channels with one draw
    // each, red first, turns the cloud about the ticked axes by twice their rates, and steps the size.
    // Each axis's image, in units of the point. Past 2^120 a point takes the whole matrices in
    // float, zero terms and all, so an infinity spreads NaN. The last point is past the count.
    const float a = 0.3f, big = 0x1p121f, inf = std::numeric_limits<float>::infinity(), c = std::cos(a), s = std::sin(a);
    const float x[3] = {c * c, c * s, -s}, y[3] = {c * s * s - s * c, s * s * s + c * c, c * s}, z[3] = {c * c * s + s * s, s * s * c - c * s, c * c},
                still[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const struct { float Spin, Point[3]; const float* Image; double Within; } turns[] = {{a, {1, 0, 0}, x, 1e-6}, {a, {0, 1, 0}, y, 1e-6},
        {a, {0, 0, 1}, z, 1e-6}, {a, {big, 0, 0}, x, 1e-6}, {a, {0, big, 0}, y, 1e-6}, {a, {0, 0, big}, z, 1e-6}, {0, {big, 0, 0}, still[0], 0},
        {0, {0, big, 0}, still[1], 0}, {a, {inf, 0, 0}, nullptr, 0}, {a, {0, 0, 1}, still[2], 0}};
    WindowScene scene;
    data = DistinctRecord();  // blue drifts, red and green not; every axis turns; the size swings, from 20
    std::tie(data.Anim_R, data.Anim_Rotating, data.Anim_RotY, data.PointCount) = std::tuple{1, 1, 0, static_cast<std::int32_t>(std::size(turns) - 1)};
    scene->SetSSData(data);
    EXPECT_TRUE(scene->Color[0] == data.SCol_R && scene->Color[1] == data.SCol_G && scene->Color[2] == data.SCol_B && scene->PointSize == 20);
    EXPECT_TRUE(scene->Angle[0] == 0 && scene->Angle[1] == 0 && scene->Angle[2] == 0) << "the cloud starts unturned";
    for (std::size_t i = 0; i < std::size(turns); ++i) {
        std::copy_n(turns[i].Point, 3, scene->Cloud[i]);
        scene->Spin[i] = turns[i].Spin;
    }
    std::copy_n(std::begin({10.0f, 0.0f, 5.0f}), 3, scene->Angle);
    // Red past the top and the size at the maximum, so that both turn down.
    std::tie(scene->Color[0], scene->Color[2], scene->PointSize) = std::tuple{1.001f, 0.5f, 700.0f};
    std::srand(9);
    const int red = std::rand(), blue = std::rand();
    std::srand(9);
    Animate(*scene);
    EXPECT_TRUE(std::fabs(scene->Color[0] - (1.001 - red / 32767.0 * 0.005)) < 1e-6 && !scene->ColorUp[0]) << scene->Color[0];
    EXPECT_EQ(scene->Color[1], data.SCol_G);
    EXPECT_NEAR(scene->Color[2], 0.5 + blue / 32767.0 * 0.005, 1e-6);
    EXPECT_TRUE(scene->Angle[0] == 10 + 2 * data.RotX && scene->Angle[1] == 0 && scene->Angle[2] == 5 + 2 * data.RotZ);
    EXPECT_TRUE(scene->PointSize == 700.25f && !scene->SizeUp) << scene->PointSize;
    for (std::size_t i = 0; i < std::size(turns); ++i) {
        const float unit = std::max({std::fabs(turns[i].Point[0]), std::fabs(turns[i].Point[1]), std::fabs(turns[i].Point[2])});
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(turns[i].Image ? std::fabs(scene->Cloud[i][k] / unit - turns[i].Image[k]) <= turns[i].Within : std::isnan(scene->Cloud[i][k]))
                << "point " << i << ", coordinate " << k << ": " << scene->Cloud[i][k] / unit;
    }
}

TEST(Scene, NewSettingsOnARunningSceneBuildAgainOnlyWhatTheyChangeFromTheSameDraws)
{
    WindowScene scene;
    SS_Data data = DistinctRecord();  // every part animated: spins, blue drifts, turns, sizes swing
    data.PointCount = 100;
    scene->SetSSData(data);
    const GLuint texture = scene->Texture;
    const std::vector<float> built(&scene->Cloud[0][0], &scene->Cloud[100][0]), spins(scene->Spin, scene->Spin + 100);
    std::vector<std::uint8_t> texels(3 * SPRITE_TEXELS);  // the first is the halo's brightest
    // Each change in turn, after ticks that move everything. A cloud built again is the first one at
    // a new spread (none: the cloud as it was); a colour and a size start again (-1: as they were).
    const struct { const char* Field; float Value, Spread, ColorB, Size; int BaseRed; } changes[] = {{"RotX", 0.9f, 0, -1, -1, 254},
        {"SCol_B", 0.25f, 0, 0.25f, -1, 254}, {"Sizing", 2, 0, -1, 700, 254}, {"BCol_R", 100, 0, -1, -1, 155}, {"Spread", 0.52f, 2, -1, -1, 155},
        {"PointCount", 40, 2, -1, -1, 155}, {"PointCount", 100, 2, -1, -1, 155}, {"Spread", 0.26f, 1, -1, -1, 155}, {"Speed", 0.58f, 1, -1, -1, 155}};
    for (const auto& c : changes) {
        for (int tick = 0; tick < 3; ++tick)
            Animate(*scene);
        std::vector<float> expected(&scene->Cloud[0][0], &scene->Cloud[100][0]);
        const float colorB = scene->Color[2], size = scene->PointSize, angle = scene->Angle[0];
        SetFieldValue(data, FieldNamed(c.Field), c.Value);
        scene->ChangeSSData(data);
        if (c.Spread)
            std::transform(built.begin(), built.end(), expected.begin(), [&](float v) { return v * c.Spread; });
        expected.resize(3 * LivePoints(data.PointCount));
        EXPECT_EQ(std::vector<float>(&scene->Cloud[0][0], &scene->Cloud[0][0] + expected.size()), expected) << c.Field;
        EXPECT_EQ(std::vector<float>(&scene->Before.Cloud[0][0], &scene->Before.Cloud[0][0] + expected.size()), expected) << "on its way from the old";
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_TRUE(scene->Color[2] == (c.ColorB < 0 ? colorB : c.ColorB) && scene->PointSize == (c.Size < 0 ? size : c.Size)) << c.Field;
        EXPECT_TRUE(scene->Angle[0] == angle && scene->Texture == texture && texels[0] == c.BaseRed && texels[2] == 252) << c.Field;
    }
    for (int i = 0; i < 100; ++i)  // the same draws at twice the speed
        EXPECT_NEAR(scene->Spin[i], 2 * spins[i], 1e-7) << i;
    scene->SetSSData(data);
    EXPECT_NE(std::vector<float>(&scene->Cloud[0][0], &scene->Cloud[100][0]), built) << "new settings for a new scene draw a new cloud";
}

TEST(Scene, AfterADayEveryPointKeepsItsDistance)
{
    auto scene = std::make_unique<OGLSCENE>();
    scene->Data = WhitePoints(16, 8);
    scene->Data.Anim_Rotating = 1;
    const auto distance = [&](int i) { return std::hypot(scene->Cloud[i][0], scene->Cloud[i][1], scene->Cloud[i][2]); };
    double start[16];
    for (int i = 0; i < 16; ++i) {
        std::copy_n(std::begin({1.0f + i, -2.0f, 0.5f * i}), 3, scene->Cloud[i]);
        scene->Spin[i] = 0.02f * (i - 7.5f) / 7.5f;
        start[i] = distance(i);
    }
    for (long tick = 0; tick < 24L * 60 * 60 * 40; ++tick)
        Animate(*scene);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(distance(i) / start[i], 1.0, 1e-3) << "point " << i;
}

TEST(Scene, TheBaseColourDarkensTheHaloAndAnyStoredColourGivesADefinedTexel)
{
    // The low byte of the true difference, or 0 below it.
    for (const auto& [sprite, base, texel] : {std::tuple<std::uint8_t, std::int32_t, int>{200, 127, 73}, {100, 127, 0}, {200, -100, 44}, {5, INT_MIN, 5}})
        EXPECT_EQ(TintChannel(sprite, base), texel) << int{sprite} << " less " << base;
}

TEST(Scene, PointSpritesComeWithOpenGl2OrTheirExtensionByItsWholeName)
{
    const struct { const char* Version; const char* Extensions; bool Sprites; } cases[] = {{"2.1 Mesa", "", true}, {"1.4", nullptr, false},
        {"1.4", "GL_ARB_point_sprite", true}, {"1.5", "GL_EXT_a GL_ARB_point_sprite GL_EXT_b", true}, {"1.5", "GL_ARB_point_sprites", false},
        {"1.5", "XGL_ARB_point_sprite GL_ARB_point_sprite_x", false}, {nullptr, "GL_EXT_a GL_ARB_point_sprite", true}};
    for (const auto& c : cases)
        EXPECT_EQ(HasPointSprites(c.Version, c.Extensions), c.Sprites) << (c.Version ? c.Version : "-") << ", " << (c.Extensions ? c.Extensions : "-");
}

TEST(Scene, ThePixelFormatIsTheGpusWithTheMostColourThenDepthThenAnAccumulationBuffer)
{
    const DWORD WINDOW = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER, SOFTWARE = WINDOW | PFD_GENERIC_FORMAT;
    const auto format = [](DWORD flags, BYTE colour, BYTE depth, BYTE accumulation, BYTE type = PFD_TYPE_RGBA) {
        PIXELFORMATDESCRIPTOR f = PixelFormatRequest();
        std::tie(f.dwFlags, f.iPixelType, f.cColorBits, f.cDepthBits, f.cAccumBits) = std::tuple{flags, type, colour, depth, accumulation};
        return f;
    };
    // Lists as drivers give them, and the format chosen, counted from 1.
    const struct { const char* List; std::vector<PIXELFORMATDESCRIPTOR> Formats; int Chosen; } lists[] = {
        {"a GPU's, some with accumulation", {format(WINDOW, 32, 24, 0), format(WINDOW, 64, 24, 0), format(WINDOW, 32, 24, 64), format(SOFTWARE, 32, 32, 64)}, 3},
        {"a GPU's without accumulation, and Windows' own with it", {format(SOFTWARE, 32, 32, 64), format(WINDOW, 24, 24, 0), format(WINDOW, 32, 0, 0), format(WINDOW, 32, 24, 0)}, 4},
        {"Windows' own alone, as in a virtual machine", {format(SOFTWARE & ~PFD_DOUBLEBUFFER, 32, 32, 64), format(SOFTWARE, 24, 32, 64), format(SOFTWARE, 32, 32, 64)}, 3},
        {"a 16-bit desktop", {format(SOFTWARE, 16, 16, 32), format(WINDOW, 16, 0, 0), format(WINDOW, 16, 16, 0)}, 3},
        {"a generic format that the driver accelerates", {format(SOFTWARE, 32, 32, 64), format(SOFTWARE | PFD_GENERIC_ACCELERATED, 16, 16, 0)}, 2},
        {"none that will do", {format(PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER, 32, 24, 0), format(WINDOW, 32, 24, 0, PFD_TYPE_COLORINDEX),
                               format(PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER, 32, 24, 0)}, 0}};
    for (const auto& l : lists)
        EXPECT_EQ(ChooseFormat(l.Formats.data(), static_cast<int>(l.Formats.size())), l.Chosen) << l.List;
    // A scene draws with the format so chosen from its device's own list.
    WindowScene scene;
    std::vector<PIXELFORMATDESCRIPTOR> formats(DescribePixelFormat(scene->hDC, 1, sizeof(PIXELFORMATDESCRIPTOR), nullptr));
    for (std::size_t i = 0; i < formats.size(); ++i)
        DescribePixelFormat(scene->hDC, static_cast<int>(i + 1), sizeof formats[i], &formats[i]);
    EXPECT_EQ(GetPixelFormat(scene->hDC), ChooseFormat(formats.data(), static_cast<int>(formats.size()))) << formats.size() << " formats";
}

// The red light of the columns from..to of a frame, and where its centre lies.
struct Light { double Total = 0, X = 0, Y = 0; };

Light LightOf(const std::vector<std::uint8_t>& frame, int width, int from = 0, int to = INT_MAX)
{
    Light sum;
    for (std::size_t i = 0; i < frame.size(); i += 3)
        if (const int column = static_cast<int>(i / 3) % width; column >= from && column < to)
            std::tie(sum.Total, sum.X, sum.Y) = std::tuple{sum.Total + frame[i], sum.X + frame[i] * double(column), sum.Y + frame[i] * double(i / 3 / width)};
    return {sum.Total, sum.X / sum.Total, sum.Y / sum.Total};
}

TEST(Scene, AFrameTurnsTheCloudAboutZThenYThenXAndTintsItsHalosWithTheColour)
{
    WindowScene scene(nullptr, 100, 100);
    SS_Data data = WhitePoints(1, 8);
    std::tie(data.SCol_G, data.SCol_B) = std::tuple{0.5f, 0.25f};
    scene->SetSSData(data);
    const double unit = 100 / (600 * std::tan(1.5 * PI / 180));  // pixels a unit of the cloud spans, 300 from the eye
    // Where each point is drawn, in units right and up from the middle.
    const struct { float Angle[3], Point[3]; double X, Y; } cases[] = {{{0, 0, 0}, {0, 1, 0}, 0, 1}, {{90, 0, 0}, {0, 1, 0}, 0, 0},
        {{0, 0, 90}, {1, 0, 0}, 0, 1}, {{0, 90, 0}, {0, 0, 1}, 1, 0}, {{90, 90, 0}, {1, 0, 0}, 0, 1}};
    for (const auto& c : cases) {
        std::copy_n(c.Angle, 3, scene->Angle);
        std::copy_n(c.Point, 3, scene->Cloud[0]);
        const Light light = LightOf(scene.Frame(), 100);
        EXPECT_TRUE(std::fabs(light.X - 49.5 - c.X * unit) < 0.5 && std::fabs(light.Y - 49.5 - c.Y * unit) < 0.5)
            << c.Angle[0] << ", " << c.Angle[1] << ", " << c.Angle[2] << " put it at " << light.X << ", " << light.Y;
    }
    double sum[3] = {};
    const std::vector<std::uint8_t> frame = scene.Frame();
    for (std::size_t i = 0; i < frame.size(); ++i)
        sum[i % 3] += frame[i];
    EXPECT_TRUE(std::fabs(sum[1] / sum[0] - 0.5) < 0.01 && std::fabs(sum[2] / sum[0] - 0.25) < 0.01) << sum[0] << ", " << sum[1] << ", " << sum[2];
}

TEST(Scene, AFrameBetweenTwoTicksShowsTheSceneThatShareOfTheWayFromOneToTheNext)
{
    WindowScene scene(Halo().data(), 100, 100);  // soft, so that light has its centre between pixels
    SS_Data data = WhitePoints(1, 20);
    data.Anim_Rotating = data.Anim_R = data.Anim_RotZ = 1;
    std::tie(data.SCol_R, data.Sizing, data.Size_Min, data.RotZ) = std::tuple{0.5f, 1, 8.0f, 0.5f};  // the size swings from 8
    scene->SetSSData(data);
    std::copy_n(std::begin({0.0f, 5.0f, 0.0f}), 3, scene->Cloud[0]);
    scene->Spin[0] = 0.3f;
    scene->Angle[2] = 359.5f;  // the tick's turn of 1 degree wraps it round to 0.5
    const std::vector<std::uint8_t> first = scene.Frame();
    Animate(*scene);
    const auto frameAt = [&](float share) { scene->Share = share; return scene.Frame(); };
    EXPECT_TRUE(frameAt(0) == first) << "at 0, the frame is the earlier tick's own";
    const Light from = LightOf(first, 100), to = LightOf(frameAt(1), 100), half = LightOf(frameAt(0.5f), 100);
    EXPECT_TRUE(std::hypot(half.X - (from.X + to.X) / 2, half.Y - (from.Y + to.Y) / 2) < 0.25 && std::hypot(to.X - from.X, to.Y - from.Y) > 1) << half.X << ", " << half.Y;
    EXPECT_FLOAT_EQ(scene->Shown.Color[0], (0.5f + scene->Color[0]) / 2);
    EXPECT_FLOAT_EQ(scene->Shown.PointSize, 8.125f);
}

TEST(Scene, EachMonitorShowsTheWholeCloudAtItsOwnAspectAndScaleAndKeepsItsHalosToItself)
{
    // Two monitors lined up at the top: 300 x 360 at the left, and 400 x 260 beside it at twice the
    // scale. A unit of the cloud, 300 from the eye, spans H / (2 x 300 tan 1.5°) pixels of a view H high.
    WindowScene spanning(nullptr, 700, 360);
    const double unit = 1 / (600 * std::tan(1.5 * PI / 180));
    const SceneView views[] = {{{0, 0, 300, 360}, 1}, {{300, 0, 700, 260}, 2}, {{0, 0, 700, 360}, 1}};
    spanning->SetViews(views, 2);
    // A point 2 units right of the centre; rows count from the bottom in the frame. Then, soft and
    // large, one that only the left monitor can draw as a sprite and the right one as a polygon.
    ASSERT_TRUE(spanning->Points.Largest >= 150 && spanning->Points.Largest < 300) << spanning->Points.Largest;
    for (const auto& [size, sprite] : {std::pair{8.0f, std::vector<unsigned char>(SPRITE_TEXELS, 255)}, {150.0f, Halo()}}) {
        std::copy(sprite.begin(), sprite.end(), spanning->Sprite);
        spanning->SetSSData(WhitePoints(1, size));
        spanning->Cloud[0][0] = 2.0f;
        const std::vector<std::uint8_t> frame = spanning.Frame();
        const Light left = LightOf(frame, 700, 0, 300), right = LightOf(frame, 700, 300, 700);
        EXPECT_TRUE(size > 8 || (std::fabs(left.X - 149.5 - 2 * 360 * unit) < 0.5 && std::fabs(left.Y - 179.5) < 0.5
                                 && std::fabs(right.X - 499.5 - 2 * 260 * unit) < 0.5 && std::fabs(right.Y - 229.5) < 0.5))
            << left.X << ", " << left.Y << " and " << right.X << ", " << right.Y;
        EXPECT_NEAR(right.Total / left.Total, 4, 0.4) << "a halo twice as wide at twice the scale, of size " << size;
    }

    // Halos 60 across at the left monitor's right edge, and 120 at the right one's left edge, stay on theirs.
    spanning->SetSSData(WhitePoints(1, 60));
    for (const auto& [x, lit, dark] : {std::tuple{6.0f, 285, 300}, {-11.5f, 300, 285}}) {
        spanning->Cloud[0][0] = x;
        const std::vector<std::uint8_t> frame = spanning.Frame();
        EXPECT_GT(LightOf(frame, 700, lit, lit + 10).Total, 0) << x;
        EXPECT_EQ(LightOf(frame, 700, dark, dark + 15).Total, 0) << "a monitor's halo reached into the other one, from " << x;
    }
    // A side of no pixels, or not a number, counts as one, and one past the largest viewport as that.
    GLint largest[2], viewport[4];
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (const auto& [width, height, viewWidth, viewHeight] : {std::tuple{0.0f, 600.0f, 1, 600}, {-5.0f, 2.7f, 1, 2}, {inf, nan, largest[0], 1}}) {
        spanning->Resize(width, height);
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_TRUE(viewport[2] == viewWidth && viewport[3] == viewHeight) << width << " x " << height;
    }
    // One monitor again: the whole window, with nothing of the last one's box left.
    spanning->Resize(700, 360);
    spanning->SetViews(&views[2], 1);
    spanning->Cloud[0][0] = 0;
    EXPECT_GT(LightOf(spanning.Frame(), 700, 345, 355).Total, 0);
}

TEST(Scene, AFrameAtASmallerScaleStretchedOverTheWindowIsTheFullFrameSoftened)
{
    // Three monitors in a row, the middle one shorter, its top and bottom apart from the others',
    // and at twice the scale, at the defaults; the scene stands still.
    const std::vector<unsigned char> halo = Halo();
    WindowScene spanning(halo.data(), 700, 360);
    const SceneView views[] = {{{0, 0, 200, 360}, 1}, {{200, 50, 500, 310}, 2}, {{500, 0, 700, 360}, 1}};
    spanning->SetViews(views, 3);
    spanning->SetSSData(DefaultData);
    const std::vector<std::uint8_t> full = spanning.Frame();
    glGetError();  // the set-up's own request for sprites, on a renderer without them
    // From 0.72 to 0.75 the frame needs a texture as high, and twice as wide.
    for (const float scale : {0.72f, 0.75f, 0.5f, 0.25f}) {
        spanning->FrameScale = scale;
        const std::vector<std::uint8_t> frame = spanning.Frame();
        EXPECT_EQ(glGetError(), GL_NO_ERROR) << "the frame asked for what the renderer lacks";
        double sum = 0, most = 0;
        for (std::size_t i = 0; i < frame.size(); ++i) {
            sum += std::abs(frame[i] - full[i]);
            most = std::max<double>(most, std::abs(frame[i] - full[i]));
        }
        EXPECT_TRUE(sum > 0 && (scale < 0.5f || (sum / frame.size() <= 2 && most <= 16))) << scale << ": " << sum / frame.size() << " on average, " << most << " at most";
        // Each monitor's light where it was, as much of it.
        for (const auto& view : views) {
            const Light was = LightOf(full, 700, view.Area.left, view.Area.right), is = LightOf(frame, 700, view.Area.left, view.Area.right);
            EXPECT_TRUE(std::fabs(is.X - was.X) < 1 && std::fabs(is.Y - was.Y) < 1 && std::fabs(is.Total / was.Total - 1) < 0.03)
                << scale << ", from column " << view.Area.left << ": " << is.X << ", " << is.Y << " for " << was.X << ", " << was.Y << "; " << is.Total / was.Total;
        }
    }
    // A scale whose frame no texture of the renderer would hold is drawn at full scale.
    const GLint sides = std::exchange(spanning->MaxTextureSide, 256);
    spanning->FrameScale = 0.5f;
    EXPECT_TRUE(spanning.Frame() == full);
    spanning->MaxTextureSide = sides;
    // Back at full scale, the frame of before, pixel for pixel.
    spanning->FrameScale = 1;
    EXPECT_TRUE(spanning.Frame() == full);
    // At half scale too, a halo 120 pixels across at the middle monitor's right edge stays on it;
    // at full scale again, where it is a sprite, the frame is the one before.
    std::fill(std::begin(spanning->Sprite), std::end(spanning->Sprite), 255);
    spanning->SetSSData(WhitePoints(1, 60));
    spanning->Cloud[0][0] = 130 / (260 / (600 * std::tan(1.5 * PI / 180)));  // 130 pixels right of its centre
    const std::vector<std::uint8_t> sprite = spanning.Frame();
    spanning->FrameScale = 0.5f;
    const std::vector<std::uint8_t> edge = spanning.Frame();
    EXPECT_TRUE(LightOf(edge, 700, 490, 500).Total > 0 && LightOf(edge, 700, 500, 515).Total == 0);
    spanning->FrameScale = 1;
    EXPECT_TRUE(spanning.Frame() == sprite);
}

TEST(Scene, TheHalosOutlineHoldsAllThatALinearFilterOfItsLitTexelsReachesWithFewCorners)
{
    const std::vector<unsigned char> halo = Halo();
    unsigned char dark[SPRITE_TEXELS] = {}, left[SPRITE_TEXELS] = {}, top[SPRITE_TEXELS] = {}, second[SPRITE_TEXELS] = {};
    EXPECT_EQ(LitOutline(dark).Count, 0);
    // On one edge, and so on the opposite one too, where the texture repeats; one row in, not.
    left[20 * SPRITE_SIDE] = top[40] = second[SPRITE_SIDE + 40] = 1;
    for (const unsigned char* texels : std::initializer_list<const unsigned char*>{halo.data(), left, top, second}) {
        const Outline outline = LitOutline(texels);
        ASSERT_GE(outline.Count, 3);
        // How far (u, v) lies outside each side, the corners taken either way round.
        const auto beyond = [&](int i, double u, double v) {
            const float *p = outline.Corner[i], *q = outline.Corner[(i + 1) % outline.Count];
            return (q[0] - p[0]) * (v - p[1]) - (q[1] - p[1]) * (u - p[0]);
        };
        double area = 0;
        std::vector<double> nearest(outline.Count, -HUGE_VAL);  // of the reach, to each side
        for (int i = 0; i < outline.Count; ++i) {
            area -= beyond(i, 0, 0) / 2;
            const float *p = outline.Corner[i], *q = outline.Corner[(i + 1) % outline.Count];
            EXPECT_TRUE(p[0] == q[0] || p[1] == q[1] || std::fabs(std::fabs(q[0] - p[0]) - std::fabs(q[1] - p[1])) < 1e-6) << "a side not at a multiple of 45 degrees";
        }
        // Every corner of the square that a lit texel, or its repeat, reaches within the halo lies inside.
        for (int t = 0; t < SPRITE_TEXELS; ++t)
            for (int d = 0; texels[t] && d < 9; ++d) {
                const double x = t % SPRITE_SIDE + 0.5 + (d % 3 - 1) * SPRITE_SIDE, y = t / SPRITE_SIDE + 0.5 + (d / 3 - 1) * SPRITE_SIDE;
                for (const double u : {std::max(0.0, x - 1), std::min(64.0, x + 1)})
                    for (const double v : {std::max(0.0, y - 1), std::min(64.0, y + 1)})
                        for (int i = 0; x + 1 > 0 && x - 1 < SPRITE_SIDE && y + 1 > 0 && y - 1 < SPRITE_SIDE && i < outline.Count; ++i)
                            nearest[i] = std::max(nearest[i], beyond(i, u / SPRITE_SIDE, v / SPRITE_SIDE) * (area > 0 ? 1 : -1));
            }
        // Nothing lies outside a side, and each side touches the reach: none is cut further out than it must be.
        for (double distance : nearest)
            EXPECT_TRUE(distance < 1e-9 && distance > -1e-5) << distance;
        // The halo's texels lie within 23.8 of its middle and the filter reaches 1.42 past one:
        // the octagon round that circle, a side in each of the 8 directions, has 3.31 r² of the square's 64².
        EXPECT_TRUE(texels != halo.data() || (outline.Count == 8 && std::fabs(area) <= 3.31 * 25.2 * 25.2 / 4096)) << outline.Count << " corners, area " << area;
    }
}

// Run also with Mesa told to have no point sprites, where every halo is drawn as a polygon.
TEST(Scene, HalosOfAnySizeAreTheSpriteStretchedToItAddingUpWhereTheyMeet)
{
    const std::vector<unsigned char> sprite = Halo();
    // The halo's level at (u, v) texels from its top left, as a linear filter samples it.
    const auto sampled = [&](double u, double v) {
        const auto at = [&](int x, int y) { return x < 0 || y < 0 || x >= SPRITE_SIDE || y >= SPRITE_SIDE ? 0.0 : sprite[y * SPRITE_SIDE + x]; };
        const int x = static_cast<int>(std::floor(u - 0.5)), y = static_cast<int>(std::floor(v - 0.5));
        const double a = u - 0.5 - x, b = v - 0.5 - y;
        return (1 - b) * ((1 - a) * at(x, y) + a * at(x + 1, y)) + b * ((1 - a) * at(x, y + 1) + a * at(x + 1, y + 1));
    };
    // Odd sides put the cloud's centre in the middle of a pixel, which a halo of one pixel samples at its middle.
    constexpr int WIDTH = 601, HEIGHT = 451;
    WindowScene scene(sprite.data(), WIDTH, HEIGHT);
    GLfloat range[2];
    glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, range);
    EXPECT_TRUE(scene->Points.Sprites == (std::getenv("MESA_EXTENSION_OVERRIDE") == nullptr) && scene->Points.Smallest == range[0] && scene->Points.Largest == range[1]);
    glGetError();  // the set-up's own request for sprites, on a renderer without them
    // OpenGL keeps the last size above 0, 1 at first, and raises any under its smallest.
    // Sizes inside and beyond llvmpipe's largest sprite, 255, also by scale; no point; two on one spot.
    const struct { int Count; float Size, Scale, Pixels; } cases[] = {{1, 0, 1, range[0]}, {1, 200, 1, 200}, {1, 400, 1, 400},
        {1, 200, 2, 400}, {0, 200, 1, 200}, {2, 200, 1, 200}, {1, -40, 1, 200}, {1, 0.5f, 1, range[0]}};
    for (const auto& c : cases) {
        const SceneView view = {{0, 0, WIDTH, HEIGHT}, c.Scale};
        scene->SetViews(&view, 1);
        scene->SetSSData(WhitePoints(c.Count, c.Size));
        const std::vector<std::uint8_t> frame = scene.Frame();
        EXPECT_EQ(glGetError(), GL_NO_ERROR) << "the frame asked for what the renderer lacks";
        const double left = (WIDTH - c.Pixels) / 2, top = (HEIGHT - c.Pixels) / 2;
        double worst = 0;
        for (int y = 0; y < HEIGHT; ++y)
            for (int x = 0; x < WIDTH; ++x) {
                const double u = (x + 0.5 - left) / c.Pixels * SPRITE_SIDE, v = (HEIGHT - 1 - y + 0.5 - top) / c.Pixels * SPRITE_SIDE;
                worst = std::max(worst, std::fabs(frame[3 * (y * WIDTH + x)] - std::min(255.0, c.Count * sampled(u, v))));
            }
        EXPECT_LT(worst, 3.0) << c.Count << " of size " << c.Size << " at scale " << c.Scale;
    }
}

}  // namespace
