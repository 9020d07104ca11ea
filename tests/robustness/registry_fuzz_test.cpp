// Hostile settings keys, each read as the saver reads it, animated and drawn for
// 200 ticks, and shown in the real configuration dialog and read back from it.
#include "dialogs/dialogs.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/robustness/seeded_draws.h"
#include "tests/scene/scene_support.h"
#include "tests/support/record.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <vector>

namespace {

constexpr int TICKS = 200;
constexpr int KEYS_PER_TEST = 125;

// Four bytes that break careless arithmetic: NaNs, infinities, denormals, huge
// floats, and the ends of int.
const std::uint32_t PATTERNS[] = {
    0x7FC00000, 0xFFC00000, 0x7FA00000, 0xFFFFFFFF,  // NaNs: quiet, negative, signalling, all ones
    0x7F800000, 0xFF800000,                          // infinities
    0x00000001, 0x807FFFFF, 0x00400000,              // denormals
    0x7F7FFFFF, 0xFF7FFFFF, 0x7149F2CA, 0x4B000001,  // the largest floats, 1e30, 2^23 + 1
    0x80000000, 0x7FFFFFFF, 0x00000000, 0x00000002,  // INT_MIN, INT_MAX, 0, 2
};
const DWORD TYPES[] = {REG_DWORD, REG_SZ, REG_BINARY, REG_QWORD};

template <typename T, std::size_t N>
const T& Pick(std::mt19937& random, const T (&choices)[N])
{
    return choices[random() % N];
}

// A key of random values: some missing, the rest of any of four types and 0 to
// 16 bytes, most of 4 bytes and many of them one of the patterns.
void StoreHostileKey(std::mt19937& random)
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE");
    if (random() % 50 == 0)
        return;
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    for (const FieldInfo& field : Fields) {
        if (random() % 6 == 0)
            continue;
        std::vector<unsigned char> data(random() % 2 ? 4 : random() % 17);
        for (unsigned char& byte : data)
            byte = static_cast<unsigned char>(random());
        if (random() % 3 != 0) {
            const std::uint32_t pattern = Pick(random, PATTERNS);
            std::memcpy(data.data(), &pattern, std::min<std::size_t>(data.size(), 4));
        }
        ASSERT_EQ(RegSetValueExA(key, field.Name, 0, Pick(random, TYPES), data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    }
    RegCloseKey(key);
}

// What a fresh process must read: each value's data, taken whole, replace the
// low bytes of a zero field when there are at most 4 of them.
SS_Data ExpectedRead()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return DefaultData;
    SS_Data expected = {};
    for (const FieldInfo& field : Fields) {
        unsigned char data[64];
        DWORD size = sizeof data;
        if (RegQueryValueExA(key, field.Name, nullptr, nullptr, data, &size) == ERROR_SUCCESS && size <= 4) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, data, size);
            SetFieldBits(expected, field, bits);
        }
    }
    RegCloseKey(key);
    return expected;
}

double Distance(const float* point)
{
    return std::sqrt(double{point[0]} * point[0] + double{point[1]} * point[1] + double{point[2]} * point[2]);
}

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Where the settings are finite and not absurd, every quantity is finite and
// within reach of where it started; elsewhere it may be infinite or NaN, which
// is defined for OpenGL and for the next tick.
std::string SceneProblems(const OGLSCENE& scene, const SS_Data& data, const std::vector<double>& start)
{
    std::ostringstream problems;
    const unsigned live = std::min(static_cast<std::uint32_t>(data.PointCount), MAX_POINTS);
    const bool sane = std::isfinite(data.Speed) && std::isfinite(data.Spread) && std::fabs(data.Spread) <= 1e30f;
    const bool normal = sane && std::fabs(data.Spread) >= 1e-30f;  // enough bits to keep a distance
    const double reach = 3.1415927 * std::sqrt(3.0) * std::fabs(data.Spread) * 1.0001;
    for (unsigned i = 0; i < MAX_POINTS; ++i) {
        const double distance = Distance(scene.Cloud[i]);
        if (i >= live) {
            if (distance != 0 || scene.Spin[i] != 0)
                problems << " point " << i << " beyond the count was touched;";
            continue;
        }
        if (sane && !(distance <= reach))
            problems << " point " << i << " at " << distance << " beyond " << reach << ";";
        if (normal && !(std::fabs(distance - start[i]) <= 1e-3 * start[i]))
            problems << " point " << i << " moved from " << start[i] << " to " << distance << " from the centre;";
        if (std::isfinite(data.Speed) && !(std::fabs(scene.Spin[i]) <= std::fabs(data.Speed) / 50 * (1 + 1e-6)))
            problems << " spin " << i << " is " << scene.Spin[i] << ";";
    }

    const SS_Flag turning[3] = {data.Anim_RotX, data.Anim_RotY, data.Anim_RotZ};
    const float rates[3] = {data.RotX, data.RotY, data.RotZ};
    for (int axis = 0; axis < 3; ++axis) {
        const float angle = scene.Angle[axis];
        if (!turning[axis] ? !SameBits(angle, 0.0f) : std::isfinite(rates[axis]) && !(std::fabs(angle) < 360))
            problems << " angle " << axis << " is " << angle << ";";
    }

    const SS_Flag drifting[3] = {data.Anim_R, data.Anim_G, data.Anim_B};
    const float colours[3] = {data.SCol_R, data.SCol_G, data.SCol_B};
    for (int c = 0; c < 3; ++c) {
        const float colour = scene.Color[c], from = colours[c];
        const bool wrong = !drifting[c] ? !SameBits(colour, from)
                           : std::isfinite(from) && (!(std::fabs(colour - from) <= TICKS * 0.005 + std::fabs(from) * 1e-6)
                                                     || (from >= 0.1f && from <= 1.0f && !(colour >= 0.095f && colour <= 1.005f)));
        if (wrong)
            problems << " colour " << c << " went from " << from << " to " << colour << ";";
    }

    const float size = scene.PointSize, least = data.Size_Min;
    // Near 2^22 a quarter step rounds to half a pixel.
    const auto within = [&](double step) { return std::isfinite(size) && std::fabs(size - least) <= 2 * TICKS * step + std::fabs(least) * 1e-5; };
    bool sizeRight = true;
    switch (data.Sizing) {
    case 0:
        sizeRight = !std::isfinite(least) || (within(0.5) && size >= least);
        break;
    case 1:
        sizeRight = !std::isfinite(least) || within(0.25);
        break;
    case 2:
        sizeRight = SameBits(size, data.Size_Max);
        break;
    default:
        sizeRight = SameBits(size, 0.0f);
        break;
    }
    if (!sizeRight)
        problems << " point size " << size << " in mode " << data.Sizing << " from " << least << ";";
    if (!scene.Texture)
        problems << " no texture;";
    return problems.str();
}

// A fresh scene, as in a fresh saver: the settings, then 200 ticks, each drawn.
void RunScene(const SS_Data& data, std::mt19937& random)
{
    WindowScene scene(static_cast<unsigned char>(random()), 16, 16);
    ASSERT_TRUE(scene->hRC);
    scene->SetSSData(data);
    std::vector<double> start(MAX_POINTS);
    for (unsigned i = 0; i < MAX_POINTS; ++i)
        start[i] = Distance(scene->Cloud[i]);
    for (int tick = 0; tick < TICKS; ++tick)
        scene->Timer();
    EXPECT_EQ(SceneProblems(*scene, data, start), "");
}

// The float that a position stands for, as the dialog's table gives it.
double Scale(const FieldInfo& field)
{
    switch (field.Control) {
    case ControlKind::Trackbar255:
        return 255;
    case ControlKind::Trackbar100:
        return 100;
    default:
        return 1;
    }
}

// The record into the dialog's controls and back: every control within its
// range, showing what it should, and every field read back within the range
// that the dialog can produce.
void RunControls(HWND dialog, const SS_Data& data)
{
    ActualData = data;
    SetDialogItemsValues(dialog);
    for (const FieldInfo& field : Fields) {
        if (field.Control == ControlKind::TickBox) {
            EXPECT_EQ(IsDlgButtonChecked(dialog, field.ControlId), FieldBits(data, field) ? BST_CHECKED : BST_UNCHECKED) << field.Name;
            continue;
        }
        if (field.Control == ControlKind::RadioButtons) {
            for (int value = field.Low; value <= field.High; ++value)
                EXPECT_EQ(IsTicked(dialog, field.ControlId + value - field.Low), data.Sizing == value) << value;
            continue;
        }
        EXPECT_EQ(SendDlgItemMessageA(dialog, field.ControlId, TBM_GETRANGEMIN, 0, 0), field.Low) << field.Name;
        EXPECT_EQ(SendDlgItemMessageA(dialog, field.ControlId, TBM_GETRANGEMAX, 0, 0), field.High) << field.Name;
        const int position = Position(dialog, field.ControlId);
        EXPECT_TRUE(position >= field.Low && position <= field.High) << field.Name << " at " << position;
        const double value = FieldValue(data, field);
        const double shown = std::trunc(field.Control == ControlKind::InvertedTrackbar ? field.Low + field.High - value : value * Scale(field));
        if (shown >= field.Low && shown <= field.High) {
            EXPECT_EQ(position, shown) << field.Name << " " << value;
        } else {
            EXPECT_EQ(position, shown > field.High ? field.High : field.Low) << field.Name << " " << value;
        }
    }

    // Painting lets the size sliders pull apart, and OK would read what they show then.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GetDialogItemsValues(dialog);
    for (const FieldInfo& field : Fields) {
        const double value = FieldValue(ActualData, field);
        if (field.Control == ControlKind::RadioButtons) {
            EXPECT_TRUE((value >= field.Low && value <= field.High) || value == FieldValue(data, field)) << field.Name << " " << value;
            continue;
        }
        const double scale = field.Kind == FieldKind::Float ? Scale(field) : 1;
        EXPECT_TRUE(value >= field.Low / scale && value <= field.High / scale) << field.Name << " read back as " << value;
    }
    EXPECT_GE(ActualData.Size_Max - ActualData.Size_Min, 10.0f) << "painted, the size sliders keep their gap";
}

class RegistryFuzz : public DialogTest {
protected:
    static void Fuzz(std::uint32_t firstSeed)
    {
        On(CONFIGURE_CAPTION, [firstSeed](HWND dialog) {
            for (std::uint32_t seed = firstSeed; seed < firstSeed + KEYS_PER_TEST; ++seed) {
                SCOPED_TRACE("seed " + std::to_string(seed));
                SeededDraws draws(seed);
                StoreHostileKey(draws.Engine());
                const SS_Data expected = ExpectedRead();
                ActualData = SS_Data{};
                ReadConfig();
                ASSERT_TRUE(SameRecord(expected, ActualData));
                RunScene(ActualData, draws.Engine());
                RunControls(dialog, expected);
                if (::testing::Test::HasFailure())
                    break;
            }
            Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(RunConfiguration(), 0);
    }
};

}  // namespace

TEST_F(RegistryFuzz, Seeds0To124) { Fuzz(0); }
TEST_F(RegistryFuzz, Seeds125To249) { Fuzz(125); }
TEST_F(RegistryFuzz, Seeds250To374) { Fuzz(250); }
TEST_F(RegistryFuzz, Seeds375To499) { Fuzz(375); }
