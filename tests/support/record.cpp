#include "tests/support/record.h"

#include <cstdio>
#include <sstream>

SS_Data DistinctRecord()
{
    SS_Data data = {};
    data.BCol_R = 1;
    data.BCol_G = 2;
    data.BCol_B = 3;
    data.SCol_R = 0.125f;
    data.SCol_G = 0.25f;
    data.SCol_B = 0.75f;
    data.Anim_R = 0;
    data.Anim_G = 0;
    data.Anim_B = 1;
    data.Speed = 0.5f;
    data.Anim_Rotating = 0;
    data.Size_Max = 700.0f;
    data.Size_Min = 20.0f;
    data.Sizing = 1;
    data.PointCount = 1234;
    data.RotX = 0.5f;
    data.RotY = 0.625f;
    data.RotZ = 0.875f;
    data.Anim_RotX = 1;
    data.Anim_RotY = 1;
    data.Anim_RotZ = 1;
    data.Spread = 3.5f;
    return data;
}

const FieldInfo& FieldNamed(const std::string& name)
{
    for (const FieldInfo& field : Fields)
        if (name == field.Name)
            return field;
    ADD_FAILURE() << "no field " << name;
    return Fields[0];
}

::testing::AssertionResult SameRecord(const SS_Data& expected, const SS_Data& actual)
{
    std::ostringstream differences;
    for (const FieldInfo& field : Fields) {
        if (FieldBits(expected, field) != FieldBits(actual, field))
            differences << ' ' << field.Name << ": expected 0x" << std::hex << FieldBits(expected, field)
                        << ", got 0x" << FieldBits(actual, field) << std::dec << ';';
    }
    if (differences.str().empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "records differ:" << differences.str();
}

std::string FormatRecord(const SS_Data& data)
{
    std::string text;
    for (const FieldInfo& field : Fields) {
        char line[64];
        std::snprintf(line, sizeof line, "%s %08lx\n", field.Name, static_cast<unsigned long>(FieldBits(data, field)));
        text += line;
    }
    return text;
}

SS_Data ParseRecord(const std::string& text)
{
    SS_Data data = {};
    std::istringstream lines(text);
    std::string name;
    unsigned long bits;
    int count = 0;
    while (lines >> name >> std::hex >> bits) {
        SetFieldBits(data, FieldNamed(name), static_cast<std::uint32_t>(bits));
        ++count;
    }
    EXPECT_EQ(count, FIELD_COUNT) << "in:\n" << text;
    return data;
}
