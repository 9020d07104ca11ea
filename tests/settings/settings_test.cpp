#include "settings/settings.h"
#include "tests/support/record.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

TEST(Settings, ActualDataIsAllZeroInAFreshProcess)
{
    EXPECT_TRUE(SameRecord(SS_Data{}, ActualData));
}

TEST(Settings, TableListsEveryFieldOnceInRecordOrder)
{
    std::set<std::string> names;
    std::size_t end = 0;
    for (const FieldInfo& field : Fields) {
        EXPECT_TRUE(names.insert(field.Name).second) << field.Name;
        EXPECT_GE(field.Offset, end) << field.Name << " is out of record order";
        end = field.Offset + (field.Kind == FieldKind::Flag ? 1 : 4);
    }
    EXPECT_LE(end, sizeof(SS_Data));
    // Each field of the record, so a field added to SS_Data without a table entry is caught.
    EXPECT_EQ(Fields[FIELD_COUNT - 1].Offset, offsetof(SS_Data, Spread));
    EXPECT_EQ(sizeof(SS_Data), 72u);
}

TEST(Settings, FlagsAreOneByteAndAnyNonZeroByteIsStoredAsOne)
{
    SS_Data data = {};
    const FieldInfo& flag = FieldNamed("Anim_B");
    SetFieldBits(data, flag, 0x0102);
    EXPECT_EQ(data.Anim_B, 2);
    EXPECT_EQ(data.Speed, 0.0f) << "a flag write must not spill into the next field";
    EXPECT_EQ(StoredBits(data, flag), 1u);
    data.Anim_B = 0;
    EXPECT_EQ(StoredBits(data, flag), 0u);
}

TEST(Settings, ResettingEveryGroupGivesTheDefaults)
{
    SS_Data data = DistinctRecord();
    for (int group = 0; group < DEFAULT_GROUP_COUNT; ++group)
        ResetGroup(data, static_cast<DefaultGroup>(group));
    EXPECT_TRUE(SameRecord(DefaultData, data));
}

TEST(Settings, EachGroupResetsExactlyItsOwnFields)
{
    const std::vector<std::vector<std::string>> groups = {
        {"BCol_R", "BCol_G", "BCol_B", "SCol_R", "SCol_G", "SCol_B", "Anim_R", "Anim_G", "Anim_B"},
        {"Speed", "Anim_Rotating"},
        {"Size_Max", "Size_Min", "Sizing"},
        {"PointCount"},
        {"RotX", "RotY", "RotZ", "Anim_RotX", "Anim_RotY", "Anim_RotZ"},
        {"Spread"},
    };
    for (int group = 0; group < DEFAULT_GROUP_COUNT; ++group) {
        SS_Data expected = DistinctRecord();
        for (const std::string& name : groups[group])
            CopyField(expected, DefaultData, FieldNamed(name));
        SS_Data data = DistinctRecord();
        ResetGroup(data, static_cast<DefaultGroup>(group));
        EXPECT_TRUE(SameRecord(expected, data)) << "group " << group;
    }
}

TEST(Settings, DistinctRecordDiffersFromDefaultsInEveryField)
{
    // The group tests above rely on this to see every field that a reset touches.
    const SS_Data data = DistinctRecord();
    for (const FieldInfo& field : Fields)
        EXPECT_NE(FieldBits(data, field), FieldBits(DefaultData, field)) << field.Name;
}
