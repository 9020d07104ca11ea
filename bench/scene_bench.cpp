// Times the animation tick against a plain reference, and the frame under the
// machine's OpenGL.
#include "saver/saver.h"
#include "scene/oglscene.h"
#include "scene/rules.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int WIDTH = 1024, HEIGHT = 768;

double Seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The least of a few timed runs of work, in seconds: the others lost time to the rest of the machine.
template <typename Work>
double Best(Work work)
{
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const double start = Seconds();
        work();
        best = std::min(best, Seconds() - start);
    }
    return best;
}

// Sine and cosine for every rotation, as the turn is written out in words: three
// matrices, each applied to a copy of the point and stored as float before the next.
void PlainRotate(OGLSCENE& scene)
{
    const unsigned count = LivePoints(scene.Data.PointCount);
    for (unsigned i = 0; i < count; ++i) {
        const double a = scene.Spin[i];
        float* point = scene.Cloud[i];
        for (int axis = 0; axis < 3; ++axis) {
            const double c = std::cos(a), s = std::sin(a);
            const double matrices[3][12] = {
                {1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0},
                {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0},
                {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0},
            };
            const double* m = matrices[axis];
            const float in[3] = {point[0], point[1], point[2]};
            for (int r = 0; r < 3; ++r)
                point[r] = static_cast<float>(m[4 * r] * in[0] + m[4 * r + 1] * in[1] + m[4 * r + 2] * in[2] + m[4 * r + 3]);
        }
    }
}

void PlainTick(OGLSCENE& scene)
{
    PlainRotate(scene);
    scene.Data.Anim_Rotating = 0;
    Animate(scene);
    scene.Data.Anim_Rotating = 1;
}

// Prints the time of one frame, drawn and presented, with these settings, by
// each way of drawing the points: as sprites, which the renderer draws no larger
// than its largest size, and as polygons at the full size.
void TimeFrame(OGLSCENE& scene, const char* name, const SS_Data& data, int frameCount)
{
    scene.SetSSData(data);
    scene.Resize(WIDTH, HEIGHT);
    const PointCaps caps = scene.Points;
    const auto frames = [&scene, frameCount] {
        for (int frame = 0; frame < frameCount; ++frame) {
            scene.Redraw();
            glFinish();
        }
    };
    // The two ways take turns, so that a load on the machine slows both alike.
    double milliseconds[2] = {1e30, 1e30};
    for (int round = 0; round < 6; ++round)
        for (const bool sprites : {true, false}) {
            scene.Points = {sprites && caps.Sprites, caps.Smallest, sprites ? 1e9f : 0.0f};
            const double start = Seconds();
            frames();
            // The first round only warms the renderer to each way.
            if (round > 0)
                milliseconds[sprites] = std::min(milliseconds[sprites], (Seconds() - start) / frameCount * 1e3);
        }
    scene.Points = caps;
    std::printf("frame at %s (%d points, size %.0f): %.2f ms as sprites (drawn at %.0f), %.2f ms as polygons; polygons / sprites %.2f\n",
                name, data.PointCount, data.Size_Max, milliseconds[1], std::min(data.Size_Max, caps.Largest), milliseconds[0],
                milliseconds[0] / milliseconds[1]);
}

}  // namespace

int main()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "NimbrelBench";
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowA("NimbrelBench", "", WS_POPUP | WS_VISIBLE, 0, 0, WIDTH, HEIGHT, nullptr, nullptr, nullptr, nullptr);
    auto scene = std::make_unique<OGLSCENE>();
    unsigned char sprite[SPRITE_TEXELS], bits[SPRITE_TEXELS * 4];
    if (!LoadHaloSprite(GetModuleHandleA(nullptr), sprite, bits)) {
        std::fprintf(stderr, "no halo picture\n");
        return 1;
    }
    try {
        scene->Create(window, sprite);
    } catch (const char* message) {
        std::fprintf(stderr, "%s\n", message);
        return 1;
    }

    SS_Data data = DefaultData;
    data.PointCount = MAX_POINTS;
    scene->SetSSData(data);
    auto plain = std::make_unique<OGLSCENE>(*scene);

    constexpr int TICKS = 4000;
    const double perPoint = 1e9 / (double{TICKS} * MAX_POINTS);
    const double tick = Best([&] { for (int t = 0; t < TICKS; ++t) Animate(*scene); }) * perPoint;
    const double reference = Best([&] { for (int t = 0; t < TICKS; ++t) PlainTick(*plain); }) * perPoint;
    const bool same = std::memcmp(scene->Cloud, plain->Cloud, sizeof scene->Cloud) == 0;

    std::printf("tick without drawing, %u points: %.2f ns per point\n", MAX_POINTS, tick);
    std::printf("plain reference (sine and cosine per rotation): %.2f ns per point\n", reference);
    std::printf("reference / tick: %.1fx; clouds bit-identical after both runs: %s\n", reference / tick,
                same ? "yes" : "NO");

    std::printf("renderer: %s, point sprites %s, largest %.0f px, window %dx%d\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                scene->Points.Sprites ? "yes" : "no", scene->Points.Largest, WIDTH, HEIGHT);
    // A size that both ways draw whole, then the defaults, which a sprite cannot reach.
    data = DefaultData;
    data.Size_Max = 200.0f;
    TimeFrame(*scene, "200 px", data, 20);
    TimeFrame(*scene, "the defaults", DefaultData, 8);

    scene->Destroy(window);
    DestroyWindow(window);
    return same ? 0 : 1;
}
