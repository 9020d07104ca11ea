#include "dialogs/controls.h"
#include "tests/support/record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

std::uint32_t Bits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float FloatOf(const SS_Data& data, const FieldInfo& field)
{
    const std::uint32_t bits = FieldBits(data, field);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int Shown(const char* name, std::uint32_t bits)
{
    SS_Data data = {};
    SetFieldBits(data, FieldNamed(name), bits);
    return TrackbarPosition(data, FieldNamed(name));
}

int Shown(const char* name, float value)
{
    return Shown(name, Bits(value));
}

int Shown(const char* name, std::int32_t value)
{
    return Shown(name, static_cast<std::uint32_t>(value));
}

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

std::vector<FieldInfo> FloatTrackbars()
{
    std::vector<FieldInfo> fields;
    for (const FieldInfo& field : Fields)
        if (IsTrackbar(field) && field.Kind == FieldKind::Float)
            fields.push_back(field);
    return fields;
}

}  // namespace

TEST(Controls, ProductsAreTruncatedNeverRounded)
{
    struct Case {
        const char* Name;
        float Value;
        int Position;
    };
    const Case cases[] = {
        {"SCol_R", 1.0f, 255},
        {"SCol_G", 0.5f, 127},    // 127.5
        {"SCol_B", 0.0f, 0},
        {"SCol_B", -0.0f, 0},
        {"Speed", 0.25f, 25},
        {"Speed", 0.01f, 0},      // the float is just below 0.01
        {"Speed", 0.29f, 28},     // 28.9999995..., which single precision would round to 29
        {"RotZ", 0.999f, 99},
        {"Spread", 2.0f, 200},
        {"Spread", 0.259f, 25},
        {"Size_Max", 600.9f, 600},
        {"Size_Min", 300.0f, 300},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Shown(c.Name, c.Value), c.Position) << c.Name << ' ' << c.Value;
}

TEST(Controls, BaseColourIsShownInverted)
{
    EXPECT_EQ(Shown("BCol_R", 127), 128);
    EXPECT_EQ(Shown("BCol_G", 0), 255);
    EXPECT_EQ(Shown("BCol_B", 255), 0);
    SS_Data data = {};
    StoreTrackbarPosition(data, FieldNamed("BCol_G"), 200);
    EXPECT_EQ(data.BCol_G, 55);
}

TEST(Controls, ValuesBeyondTheRangeShowAtTheNearerEnd)
{
    EXPECT_EQ(Shown("BCol_R", 300), 0);
    EXPECT_EQ(Shown("BCol_R", -10), 255);
    // 255 minus these does not fit in an int.
    EXPECT_EQ(Shown("BCol_G", std::numeric_limits<std::int32_t>::min()), 255);
    EXPECT_EQ(Shown("BCol_G", std::numeric_limits<std::int32_t>::max()), 0);
    EXPECT_EQ(Shown("PointCount", 5), 10);
    EXPECT_EQ(Shown("PointCount", 100000), 1500);
    EXPECT_EQ(Shown("PointCount", std::numeric_limits<std::int32_t>::min()), 10);
    EXPECT_EQ(Shown("Spread", 0.1f), 25);
    EXPECT_EQ(Shown("Size_Max", 5.0f), 20);
    EXPECT_EQ(Shown("Size_Min", -3.7f), 10);
    EXPECT_EQ(Shown("SCol_R", 1.5f), 255);
}

TEST(Controls, FloatsThatAreNoNumberOrHugeShowAtAnEndOfTheRange)
{
    const float infinity = std::numeric_limits<float>::infinity();
    for (const FieldInfo& field : FloatTrackbars()) {
        EXPECT_EQ(Shown(field.Name, 0x7FC00000u), field.Low) << field.Name << ": quiet NaN";
        EXPECT_EQ(Shown(field.Name, 0xFFC00000u), field.Low) << field.Name << ": negative NaN";
        EXPECT_EQ(Shown(field.Name, 0x7F800001u), field.Low) << field.Name << ": signalling NaN";
        EXPECT_EQ(Shown(field.Name, infinity), field.High) << field.Name;
        EXPECT_EQ(Shown(field.Name, -infinity), field.Low) << field.Name;
        EXPECT_EQ(Shown(field.Name, std::numeric_limits<float>::max()), field.High) << field.Name;
        EXPECT_EQ(Shown(field.Name, -std::numeric_limits<float>::max()), field.Low) << field.Name;
        EXPECT_EQ(Shown(field.Name, 3e9f), field.High) << field.Name << ": beyond int";
    }
}

TEST(Controls, APositionIsStoredAsTheNearestFloat)
{
    for (const FieldInfo& field : FloatTrackbars()) {
        const double scale = Scale(field);
        for (int position = field.Low; position <= field.High; ++position) {
            SS_Data data = {};
            StoreTrackbarPosition(data, field, position);
            const float stored = FloatOf(data, field);
            // Products of a float and 255 are exact in double, so are these distances.
            const double miss = std::fabs(stored * scale - position);
            EXPECT_LE(miss, std::fabs(std::nextafter(stored, 2e3f) * scale - position)) << field.Name << ' ' << position;
            EXPECT_LE(miss, std::fabs(std::nextafter(stored, -2e3f) * scale - position)) << field.Name << ' ' << position;
        }
    }
}

TEST(Controls, StoredPositionsReopenWhereTheyWereOrOneLowerForHundredths)
{
    for (const FieldInfo& field : Fields) {
        if (!IsTrackbar(field))
            continue;
        for (int position = field.Low; position <= field.High; ++position) {
            SS_Data data = {};
            StoreTrackbarPosition(data, field, position);
            const int shown = TrackbarPosition(data, field);
            if (field.Control == ControlKind::Trackbar100 && position > field.Low)
                EXPECT_TRUE(shown == position || shown == position - 1) << field.Name << ' ' << position << " shows at " << shown;
            else
                EXPECT_EQ(shown, position) << field.Name;
        }
    }
    const FieldInfo& speed = FieldNamed("Speed");
    for (int position : {1, 29, 25}) {
        SS_Data data = {};
        StoreTrackbarPosition(data, speed, position);
        EXPECT_EQ(TrackbarPosition(data, speed), position == 25 ? 25 : position - 1) << position;
    }
}

TEST(Controls, TheMinimumSizeStaysTenBelowTheMaximum)
{
    EXPECT_EQ(MinimumAfterMaximumMoved(400, 395), 390);
    EXPECT_EQ(MaximumAfterMinimumMoved(705, 700), 710);
    EXPECT_EQ(MinimumAfterMaximumMoved(305, 300), 295);
    EXPECT_EQ(MinimumAfterMaximumMoved(600, 300), std::nullopt);
    EXPECT_EQ(MaximumAfterMinimumMoved(600, 300), std::nullopt);
    // At a gap of exactly ten nothing needs to move.
    EXPECT_EQ(MinimumAfterMaximumMoved(400, 390), std::nullopt);
    EXPECT_EQ(MaximumAfterMinimumMoved(400, 390), std::nullopt);

    // Whatever the positions, the slider that moves lands inside its own range.
    const FieldInfo& maximum = FieldNamed("Size_Max");
    const FieldInfo& minimum = FieldNamed("Size_Min");
    for (int max = maximum.Low; max <= maximum.High; ++max)
        for (int min = minimum.Low; min <= minimum.High; min += 7) {
            const int lowered = MinimumAfterMaximumMoved(max, min).value_or(min);
            const int raised = MaximumAfterMinimumMoved(max, min).value_or(max);
            EXPECT_TRUE(lowered >= minimum.Low && lowered <= minimum.High) << max << ' ' << min;
            EXPECT_TRUE(raised >= maximum.Low && raised <= maximum.High) << max << ' ' << min;
        }
}
