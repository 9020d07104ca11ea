// The settings record, its factory defaults and default groups, and the
// registry store that keeps it between runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// One byte holding a truth value. The program writes 0 or 1; every reader
// takes any non-zero byte as true, since a stored value may hold anything.
typedef std::uint8_t SS_Flag;

struct SS_Data {
    std::int32_t BCol_R;
    std::int32_t BCol_G;
    std::int32_t BCol_B;
    float SCol_R;
    float SCol_G;
    float SCol_B;
    SS_Flag Anim_R;
    SS_Flag Anim_G;
    SS_Flag Anim_B;
    float Speed;
    SS_Flag Anim_Rotating;
    float Size_Max;
    float Size_Min;
    std::int32_t Sizing;
    std::int32_t PointCount;
    float RotX;
    float RotY;
    float RotZ;
    SS_Flag Anim_RotX;
    SS_Flag Anim_RotY;
    SS_Flag Anim_RotZ;
    float Spread;
};

extern const SS_Data DefaultData;
// The record in use: read before the scene is built, or being edited in the
// configuration dialog. All zeros until something fills it.
extern SS_Data ActualData;

enum class FieldKind : std::uint8_t { Int, Float, Flag };

// The groups in which the defaults dialog resets fields, in the order of its tick boxes.
enum class DefaultGroup : std::uint8_t { Colors, Move, PointSize, PointCount, Rotation, Spread };
constexpr int DEFAULT_GROUP_COUNT = 6;

// How the configuration dialog shows a field.
enum class ControlKind : std::uint8_t {
    InvertedTrackbar,  // position Low + High - value, so that moving right keeps more of a base colour
    Trackbar255,       // position value x 255, truncated; read back as position / 255
    Trackbar100,       // position value x 100, truncated; read back as position / 100
    Trackbar,          // position value, truncated
    TickBox,
    RadioButtons,      // value v selects button ControlId + v - Low, for v in Low ... High
};

struct FieldInfo {
    const char* Name;  // the registry value's name, and the field's
    FieldKind Kind;
    std::size_t Offset;  // of the field in SS_Data
    DefaultGroup Group;
    ControlKind Control;
    int ControlId;  // in the configuration dialog
    int Low, High;  // a trackbar's range, or the values of the radio buttons
};

constexpr int FIELD_COUNT = 22;
// Every field of SS_Data once, in record order, which is also the order of the registry values.
extern const FieldInfo Fields[FIELD_COUNT];

// A field's bytes as a 32-bit number: ints and floats bit for bit, a flag's byte zero-extended.
std::uint32_t FieldBits(const SS_Data& data, const FieldInfo& field);
// A field's value: every int and every float is exact in a double; a flag is its byte.
double FieldValue(const SS_Data& data, const FieldInfo& field);
// Stores a value that the field's kind can hold: a float as the float nearest to it, an int or a flag exactly.
void SetFieldValue(SS_Data& data, const FieldInfo& field, double value);
// Stores bits into a field; a flag takes only the low byte.
void SetFieldBits(SS_Data& data, const FieldInfo& field, std::uint32_t bits);
// The record as the registry keeps it: each field's 32-bit value, in record
// order, a flag as 0 or 1.
using SettingsValues = std::array<std::uint32_t, FIELD_COUNT>;
SettingsValues ValuesOf(const SS_Data& data);
void CopyField(SS_Data& to, const SS_Data& from, const FieldInfo& field);
// Copies the fields of one group from DefaultData.
void ResetGroup(SS_Data& data, DefaultGroup group);

// Under HKEY_LOCAL_MACHINE, the settings for everyone, and under
// HKEY_CURRENT_USER, a user's own.
extern const char CONFIG_KEY[];

// Fills ActualData from the registry, value by value: the user's, else the
// machine's, else the default. A value that is there is taken over zero when it
// fits in 4 bytes, and is zero when it does not.
void ReadConfig();
// Stores all of ActualData for everyone, or else for this user alone. False
// when neither key took every value.
bool WriteConfig();
