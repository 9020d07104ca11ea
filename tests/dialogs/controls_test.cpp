#include "dialogs/controls.h"
#include "tests/support/record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

int Shown(const char* name, std::uint32_t bits)
{
    SS_Data data = {};
    SetFieldBits(data, FieldNamed(name), bits);
    return TrackbarPosition(data, FieldNamed(name));
}

std::uint32_t Bits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

TEST(Controls, PositionsAreTruncatedProductsHeldInsideTheRange)
{
    const struct {
        const char* Name;
        std::uint32_t Bits;
        int Position;
    } cases[] = {
        {"BCol_R", 127, 128},
        {"BCol_G", 300, 0},
        {"BCol_B", static_cast<std::uint32_t>(-10), 255},
        {"BCol_B", 0x80000000, 255},  // 255 minus this does not fit in an int
        {"SCol_G", Bits(0.5f), 127},  // 127.5
        {"SCol_R", Bits(1.5f), 255},
        {"Speed", Bits(0.01f), 0},    // the float is just below 0.01
        {"Speed", Bits(0.29f), 28},   // 28.9999995..., which single precision rounds to 29
        {"Spread", Bits(0.1f), 25},
        {"Size_Max", Bits(600.9f), 600},
        {"Size_Min", Bits(-3.7f), 10},
        {"PointCount", 5, 10},
        {"PointCount", 100000, 1500},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Shown(c.Name, c.Bits), c.Position) << c.Name << ' ' << std::hex << c.Bits;
}

TEST(Controls, FloatsThatAreNoNumberInfiniteOrHugeShowAtAnEnd)
{
    for (const FieldInfo& field : Fields) {
        if (!IsTrackbar(field) || field.Kind != FieldKind::Float)
            continue;
        for (std::uint32_t bits : {0x7FC00000u, 0xFFC00000u, 0x7F800001u, 0xFF800000u, 0xFF7FFFFFu})
            EXPECT_EQ(Shown(field.Name, bits), field.Low) << field.Name << ' ' << std::hex << bits;
        for (std::uint32_t bits : {0x7F800000u, 0x7F7FFFFFu, Bits(3e9f)})
            EXPECT_EQ(Shown(field.Name, bits), field.High) << field.Name << ' ' << std::hex << bits;
    }
}

TEST(Controls, APositionIsStoredAsTheNearestFloat)
{
    for (const char* name : {"SCol_R", "Speed", "Spread"}) {
        const FieldInfo& field = FieldNamed(name);
        const double scale = field.Control == ControlKind::Trackbar255 ? 255 : 100;
        for (int position = field.Low; position <= field.High; ++position) {
            SS_Data data = {};
            StoreTrackbarPosition(data, field, position);
            float stored;
            const std::uint32_t bits = FieldBits(data, field);
            std::memcpy(&stored, &bits, sizeof stored);
            // A float times 255 or 100 is exact in double, and so are these distances.
            const double miss = std::fabs(stored * scale - position);
            EXPECT_LE(miss, std::fabs(std::nextafter(stored, 1e9f) * scale - position)) << name << ' ' << position;
            EXPECT_LE(miss, std::fabs(std::nextafter(stored, -1e9f) * scale - position)) << name << ' ' << position;
        }
    }
}
