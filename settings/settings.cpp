#include "settings/settings.h"

#include "resources/resource.h"

#include <cstring>

const SS_Data DefaultData = {
    127, 127, 0,        // BCol
    1.0f, 0.5f, 0.5f,   // SCol
    1, 1, 0,            // Anim_R, Anim_G, Anim_B
    0.25f,              // Speed
    1,                  // Anim_Rotating
    600.0f, 300.0f,     // Size_Max, Size_Min
    2,                  // Sizing: "Set on Max"
    50,                 // PointCount
    0.25f, 0.25f, 0.25f,  // RotX, RotY, RotZ
    0, 0, 0,            // Anim_RotX, Anim_RotY, Anim_RotZ
    2.0f,               // Spread
};

SS_Data ActualData;

#define NIMBREL_FIELD(name, kind, group, control, id, low, high) \
    { #name, FieldKind::kind, offsetof(SS_Data, name), DefaultGroup::group, ControlKind::control, id, low, high }

const FieldInfo Fields[FIELD_COUNT] = {
    NIMBREL_FIELD(BCol_R, Int, Colors, InvertedTrackbar, IDC_BASE_RED, 0, 255),
    NIMBREL_FIELD(BCol_G, Int, Colors, InvertedTrackbar, IDC_BASE_GREEN, 0, 255),
    NIMBREL_FIELD(BCol_B, Int, Colors, InvertedTrackbar, IDC_BASE_BLUE, 0, 255),
    NIMBREL_FIELD(SCol_R, Float, Colors, Trackbar255, IDC_SECONDARY_RED, 0, 255),
    NIMBREL_FIELD(SCol_G, Float, Colors, Trackbar255, IDC_SECONDARY_GREEN, 0, 255),
    NIMBREL_FIELD(SCol_B, Float, Colors, Trackbar255, IDC_SECONDARY_BLUE, 0, 255),
    NIMBREL_FIELD(Anim_R, Flag, Colors, TickBox, IDC_ANIM_RED, 0, 1),
    NIMBREL_FIELD(Anim_G, Flag, Colors, TickBox, IDC_ANIM_GREEN, 0, 1),
    NIMBREL_FIELD(Anim_B, Flag, Colors, TickBox, IDC_ANIM_BLUE, 0, 1),
    NIMBREL_FIELD(Speed, Float, Move, Trackbar100, IDC_SPEED, 0, 100),
    NIMBREL_FIELD(Anim_Rotating, Flag, Move, TickBox, IDC_ANIM_ROTATING, 0, 1),
    NIMBREL_FIELD(Size_Max, Float, PointSize, Trackbar, IDC_SIZE_MAX, 20, 1000),
    NIMBREL_FIELD(Size_Min, Float, PointSize, Trackbar, IDC_SIZE_MIN, 10, 990),
    NIMBREL_FIELD(Sizing, Int, PointSize, RadioButtons, IDC_SIZING_MIN_TO_MAX, 0, 2),
    NIMBREL_FIELD(PointCount, Int, PointCount, Trackbar, IDC_POINT_COUNT, 10, 1500),
    NIMBREL_FIELD(RotX, Float, Rotation, Trackbar100, IDC_ROTATION_X, 0, 100),
    NIMBREL_FIELD(RotY, Float, Rotation, Trackbar100, IDC_ROTATION_Y, 0, 100),
    NIMBREL_FIELD(RotZ, Float, Rotation, Trackbar100, IDC_ROTATION_Z, 0, 100),
    NIMBREL_FIELD(Anim_RotX, Flag, Rotation, TickBox, IDC_ANIM_ROTATION_X, 0, 1),
    NIMBREL_FIELD(Anim_RotY, Flag, Rotation, TickBox, IDC_ANIM_ROTATION_Y, 0, 1),
    NIMBREL_FIELD(Anim_RotZ, Flag, Rotation, TickBox, IDC_ANIM_ROTATION_Z, 0, 1),
    NIMBREL_FIELD(Spread, Float, Spread, Trackbar100, IDC_SPREAD, 25, 400),
};

static_assert(IDC_SIZING_PING_PONG == IDC_SIZING_MIN_TO_MAX + 1 && IDC_SIZING_SET_ON_MAX == IDC_SIZING_MIN_TO_MAX + 2,
              "the sizing radio buttons are numbered in the order of their values");

#undef NIMBREL_FIELD

namespace {

std::size_t FieldSize(const FieldInfo& field)
{
    return field.Kind == FieldKind::Flag ? sizeof(SS_Flag) : sizeof(std::uint32_t);
}

unsigned char* FieldAddress(SS_Data& data, const FieldInfo& field)
{
    return reinterpret_cast<unsigned char*>(&data) + field.Offset;
}

const unsigned char* FieldAddress(const SS_Data& data, const FieldInfo& field)
{
    return reinterpret_cast<const unsigned char*>(&data) + field.Offset;
}

}  // namespace

std::uint32_t FieldBits(const SS_Data& data, const FieldInfo& field)
{
    if (field.Kind == FieldKind::Flag)
        return *FieldAddress(data, field);
    std::uint32_t bits;
    std::memcpy(&bits, FieldAddress(data, field), sizeof bits);
    return bits;
}

double FieldValue(const SS_Data& data, const FieldInfo& field)
{
    const std::uint32_t bits = FieldBits(data, field);
    if (field.Kind == FieldKind::Float) {
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    return static_cast<std::int32_t>(bits);
}

void SetFieldValue(SS_Data& data, const FieldInfo& field, double value)
{
    std::uint32_t bits;
    if (field.Kind == FieldKind::Float) {
        const float single = static_cast<float>(value);
        std::memcpy(&bits, &single, sizeof bits);
    } else {
        bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    }
    SetFieldBits(data, field, bits);
}

void SetFieldBits(SS_Data& data, const FieldInfo& field, std::uint32_t bits)
{
    if (field.Kind == FieldKind::Flag)
        *FieldAddress(data, field) = static_cast<SS_Flag>(bits & 0xFF);
    else
        std::memcpy(FieldAddress(data, field), &bits, sizeof bits);
}

SettingsValues ValuesOf(const SS_Data& data)
{
    SettingsValues values;
    for (int i = 0; i < FIELD_COUNT; ++i) {
        const std::uint32_t bits = FieldBits(data, Fields[i]);
        values[i] = Fields[i].Kind == FieldKind::Flag ? (bits != 0) : bits;
    }
    return values;
}

void CopyField(SS_Data& to, const SS_Data& from, const FieldInfo& field)
{
    std::memcpy(FieldAddress(to, field), FieldAddress(from, field), FieldSize(field));
}

void ResetGroup(SS_Data& data, DefaultGroup group)
{
    for (const FieldInfo& field : Fields)
        if (field.Group == group)
            CopyField(data, DefaultData, field);
}
