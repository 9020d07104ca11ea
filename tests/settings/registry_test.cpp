#include "settings/settings.h"
#include "tests/support/process.h"
#include "tests/support/record.h"
#include "tests/support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

namespace {

// Each test stands in the place of a fresh process: its own registry, and an
// ActualData that nothing has read into yet.
class Registry : public ::testing::Test {
protected:
    void SetUp() override { ActualData = SS_Data{}; }

    HKEY OpenKey(REGSAM access = KEY_ALL_ACCESS)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, access, &key), ERROR_SUCCESS);
        return key;
    }

    void StoreRecord(const SS_Data& data)
    {
        ActualData = data;
        ASSERT_TRUE(WriteConfig());
        ActualData = SS_Data{};
    }

    static bool KeyExists(const char* path)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    RegistrySandbox sandbox_;
};

struct StoredValue {
    const char* Name;
    unsigned char Bytes[4];
};

// The data bytes that the factory defaults must have in the registry.
const StoredValue DefaultBytes[FIELD_COUNT] = {
    {"BCol_R", {0x7F, 0x00, 0x00, 0x00}},
    {"BCol_G", {0x7F, 0x00, 0x00, 0x00}},
    {"BCol_B", {0x00, 0x00, 0x00, 0x00}},
    {"SCol_R", {0x00, 0x00, 0x80, 0x3F}},
    {"SCol_G", {0x00, 0x00, 0x00, 0x3F}},
    {"SCol_B", {0x00, 0x00, 0x00, 0x3F}},
    {"Anim_R", {0x01, 0x00, 0x00, 0x00}},
    {"Anim_G", {0x01, 0x00, 0x00, 0x00}},
    {"Anim_B", {0x00, 0x00, 0x00, 0x00}},
    {"Speed", {0x00, 0x00, 0x80, 0x3E}},
    {"Anim_Rotating", {0x01, 0x00, 0x00, 0x00}},
    {"Size_Max", {0x00, 0x00, 0x16, 0x44}},
    {"Size_Min", {0x00, 0x00, 0x96, 0x43}},
    {"Sizing", {0x02, 0x00, 0x00, 0x00}},
    {"PointCount", {0x32, 0x00, 0x00, 0x00}},
    {"RotX", {0x00, 0x00, 0x80, 0x3E}},
    {"RotY", {0x00, 0x00, 0x80, 0x3E}},
    {"RotZ", {0x00, 0x00, 0x80, 0x3E}},
    {"Anim_RotX", {0x00, 0x00, 0x00, 0x00}},
    {"Anim_RotY", {0x00, 0x00, 0x00, 0x00}},
    {"Anim_RotZ", {0x00, 0x00, 0x00, 0x00}},
    {"Spread", {0x00, 0x00, 0x00, 0x40}},
};

}  // namespace

TEST_F(Registry, DefaultsAreStoredAsTwentyTwoDwordsWithTheDocumentedBytes)
{
    ActualData = DefaultData;
    ASSERT_TRUE(WriteConfig());

    HKEY key = OpenKey(KEY_READ);
    DWORD valueCount = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(valueCount, 22u);
    for (const StoredValue& expected : DefaultBytes) {
        DWORD type = 0;
        unsigned char bytes[16] = {};
        DWORD size = sizeof bytes;
        ASSERT_EQ(RegQueryValueExA(key, expected.Name, nullptr, &type, bytes, &size), ERROR_SUCCESS) << expected.Name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << expected.Name;
        EXPECT_EQ(size, 4u) << expected.Name;
        EXPECT_EQ(std::memcmp(bytes, expected.Bytes, 4), 0) << expected.Name;
    }
    RegCloseKey(key);
}

TEST_F(Registry, WhatOneProcessWritesAnotherReadsBack)
{
    StoreRecord(DistinctRecord());
    const ProcessResult probe = RunProcess('"' + SiblingProgram("registry_probe.exe") + "\" " + sandbox_.Path());
    ASSERT_TRUE(probe.Started);
    ASSERT_EQ(probe.ExitCode, 0u) << probe.Output;
    EXPECT_TRUE(SameRecord(DistinctRecord(), ParseRecord(probe.Output)));
}

TEST_F(Registry, MissingKeyGivesTheDefaultsAndCreatesNothing)
{
    ActualData = DistinctRecord();
    ReadConfig();
    EXPECT_TRUE(SameRecord(DefaultData, ActualData));
    EXPECT_FALSE(KeyExists(CONFIG_KEY));
    EXPECT_FALSE(KeyExists("SOFTWARE\\Quillmora"));
}

TEST_F(Registry, MissingValuesLeaveTheirFieldsAsTheyWere)
{
    StoreRecord(DistinctRecord());
    HKEY key = OpenKey();
    ASSERT_EQ(RegDeleteValueA(key, "PointCount"), ERROR_SUCCESS);
    RegCloseKey(key);

    ReadConfig();
    SS_Data expected = DistinctRecord();
    expected.PointCount = 0;
    EXPECT_TRUE(SameRecord(expected, ActualData)) << "a missing value reads as zero in a fresh process";

    ActualData.PointCount = 77;
    ReadConfig();
    EXPECT_EQ(ActualData.PointCount, 77);
}

TEST_F(Registry, AnEmptyKeyGivesAnAllZeroRecord)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
    ReadConfig();
    EXPECT_TRUE(SameRecord(SS_Data{}, ActualData));
}

TEST_F(Registry, ValuesOfOtherTypesAreTakenByteForByteWhenTheyFit)
{
    StoreRecord(DefaultData);
    const unsigned char binary[4] = {0x00, 0x00, 0x40, 0x3F};  // 0.75f
    StoreSetting("SCol_R", REG_BINARY, binary, 4);
    StoreSetting("BCol_B", REG_SZ, "ab", 3);  // 'a', 'b' and the terminator
    const unsigned long long wide = 9;
    StoreSetting("PointCount", REG_QWORD, &wide, 8);
    StoreSetting("Speed", REG_SZ, "12345678", 9);

    ReadConfig();
    SS_Data expected = DefaultData;
    expected.SCol_R = 0.75f;
    expected.BCol_B = 'a' | 'b' << 8;
    expected.PointCount = 0;
    expected.Speed = 0.0f;
    EXPECT_TRUE(SameRecord(expected, ActualData)) << "8 and 9 bytes of data must be skipped, the rest read";
}

TEST_F(Registry, ShortDataReplaceOnlyTheLowBytes)
{
    StoreRecord(DefaultData);
    const unsigned char two[2] = {0xAA, 0xBB};
    StoreSetting("BCol_R", REG_BINARY, two, 2);
    StoreSetting("Sizing", REG_BINARY, two, 0);
    StoreSetting("Anim_R", REG_BINARY, two + 1, 1);

    ActualData.BCol_R = 0x11223344;
    ActualData.Sizing = -5;
    ReadConfig();
    EXPECT_EQ(static_cast<std::uint32_t>(ActualData.BCol_R), 0x1122BBAAu);
    EXPECT_EQ(ActualData.Sizing, -5) << "no data at all leaves the field alone";
    EXPECT_EQ(ActualData.Anim_R, 0xBB);
}

TEST_F(Registry, AFlagIsItsFirstByteAlone)
{
    StoreRecord(DefaultData);
    const unsigned char setLow[4] = {0x01, 0x01, 0x00, 0x00};
    const unsigned char setHigh[4] = {0x00, 0x01, 0x00, 0x00};
    const unsigned char two[4] = {0x02, 0x00, 0x00, 0x00};
    StoreSetting("Anim_RotX", REG_DWORD, setLow, 4);
    StoreSetting("Anim_R", REG_DWORD, setHigh, 4);
    StoreSetting("Anim_B", REG_DWORD, two, 4);

    ReadConfig();
    EXPECT_EQ(ActualData.Anim_RotX, 1);
    EXPECT_EQ(ActualData.Anim_R, 0);
    EXPECT_EQ(ActualData.Anim_B, 2);
    EXPECT_EQ(ActualData.Speed, DefaultData.Speed) << "a flag must not spill into the field after it";

    // Written back, any true flag is stored as 1.
    ASSERT_TRUE(WriteConfig());
    HKEY key = OpenKey(KEY_READ);
    DWORD value = 0, size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(key, "Anim_B", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    RegCloseKey(key);
}

TEST_F(Registry, AKeyThatCannotBeCreatedIsReportedAsAFailedWrite)
{
    // A non-volatile key cannot be made under a volatile one: a real registry refusal.
    HKEY parent;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillmora", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr), ERROR_SUCCESS);
    RegCloseKey(parent);

    ActualData = DefaultData;
    EXPECT_FALSE(WriteConfig());
    EXPECT_FALSE(KeyExists(CONFIG_KEY));

    ActualData = DistinctRecord();
    ReadConfig();
    EXPECT_TRUE(SameRecord(DefaultData, ActualData)) << "nothing was stored, so the next read gives the defaults";
}
