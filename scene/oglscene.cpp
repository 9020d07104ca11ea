#include "scene/oglscene.h"

#include "scene/rules.h"

#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iterator>

// Every unit value divides a draw by 32767, so the generator must end there.
static_assert(RAND_MAX == 32767, "the scene needs draws of 0 … 32767");

OGLSCENE::OGLSCENE()
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    // The turn of a zero spin, which every point has until SetValues.
    std::fill(std::begin(Turns), std::end(Turns), Turn{0.0f, 0.0f, 1.0f});
}

OGLSCENE::~OGLSCENE() = default;

void OGLSCENE::SetSSData(SS_Data data)
{
    Data = data;
    SetValues();
}

void OGLSCENE::SetValues()
{
    glGenTextures(1, &Texture);
    TintTexture();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glTexEnvf(GL_POINT_SPRITE, GL_COORD_REPLACE, 1.0f);
    glEnable(GL_TEXTURE_2D);
    DrawnCount = 0;  // a new cloud
    BuildCloud();
    StartColor();
    PointSize = StartingSize(Data, PointSize);
    KeepBefore();
}

void OGLSCENE::ChangeSSData(SS_Data data)
{
    const SceneChange change = ChangeBetween(Data, data);
    Data = data;
    if (change.Texture)
        TintTexture();
    if (change.Cloud)
        BuildCloud();
    if (change.Color)
        StartColor();
    if (change.Size) {
        PointSize = StartingSize(Data, PointSize);
        SizeUp = true;
    }
    // The next frame shows the scene as it is now, not on its way from the old one.
    KeepBefore();
}

void OGLSCENE::StartColor()
{
    Color[0] = Data.SCol_R;
    Color[1] = Data.SCol_G;
    Color[2] = Data.SCol_B;
}

void OGLSCENE::TintTexture()
{
    unsigned char image[SPRITE_TEXELS][3], lit[SPRITE_TEXELS];
    for (int i = 0; i < SPRITE_TEXELS; ++i) {
        image[i][0] = TintChannel(Sprite[i], Data.BCol_R);
        image[i][1] = TintChannel(Sprite[i], Data.BCol_G);
        image[i][2] = TintChannel(Sprite[i], Data.BCol_B);
        lit[i] = image[i][0] | image[i][1] | image[i][2];
    }
    // From the texture, not the sprite: a base colour out of range lights black texels.
    Lit = LitOutline(lit);
    glBindTexture(GL_TEXTURE_2D, Texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, SPRITE_SIDE, SPRITE_SIDE, 0, GL_RGB, GL_UNSIGNED_BYTE, image);
}

void OGLSCENE::BuildCloud()
{
    const unsigned count = LivePoints(Data.PointCount);
    // A point's draws in the stream's order: its x, y and z samplers, then its spin.
    for (; DrawnCount < count; ++DrawnCount) {
        for (float& angle : Drawn[DrawnCount].Angle)
            angle = MonteCarlo();
        Drawn[DrawnCount].Spin = std::rand();
    }
    for (unsigned i = 0; i < count; ++i) {
        for (int k = 0; k < 3; ++k)
            Cloud[i][k] = Drawn[i].Angle[k] * Data.Spread;
        Spin[i] = SpinRate(Drawn[i].Spin, Data.Speed);
    }
}

float OGLSCENE::MonteCarlo()
{
    for (;;) {
        const float m = static_cast<float>(Unit(std::rand()) * 6.283185308);
        const double a = m - 3.141592654;
        const float c = static_cast<float>(std::cos(a) + 1.0);
        if (!(2 * Unit(std::rand()) > c))
            return static_cast<float>(a);
    }
}
