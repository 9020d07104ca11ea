#include "tests/support.h"

namespace {

// Whatever stands in for HKEY_LOCAL_MACHINE holds no such key.
void ExpectNoKey(const char* path)
{
    HKEY key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND) << path;
}

TEST(Registry, AMissingKeyGivesTheDefaultsAndCreatesNothing)
{
    ActualData = DistinctRecord();
    ReadConfig();
    EXPECT_TRUE(SameRecord(DefaultData, ActualData));
    ExpectNoKey("SOFTWARE\\Quillmora");
}

TEST(Registry, AValueMissingFromTheKeyTakesItsDefault)
{
    StoreSetting("Spread", DWORD{0});
    ReadConfig();
    SS_Data expected = DefaultData;
    expected.Spread = 0.0f;
    EXPECT_TRUE(SameRecord(expected, ActualData));
}

TEST(Registry, DataOfAnyTypeAreTakenByteForByteWhenTheyFitInFourBytes)
{
    const struct {
        const char* Name;
        DWORD Type;
        const char* Data;
        DWORD Size;
        std::uint32_t Read;  // the field's bits; every field held its default before
    } cases[] = {
        {"SCol_R", REG_BINARY, "\xAA\xBB", 2, 0x3F80BBAA},        // only the low bytes
        {"BCol_B", REG_SZ, "ab", 3, 0x6261},                       // 'a', 'b' and the terminator
        {"Size_Max", REG_BINARY, "\x00\x00\x40\x3F", 4, Bits(0.75f)},
        {"Sizing", REG_BINARY, "", 0, 2},                          // no data: untouched
        {"PointCount", REG_QWORD, "\x09\0\0\0\0\0\0", 8, 50},      // too long: skipped
        {"Speed", REG_SZ, "12345678", 9, Bits(0.25f)},
        {"Anim_R", REG_DWORD, "\x00\x01\x00\x00", 4, 0},           // a flag is its first byte
        {"Anim_B", REG_DWORD, "\x01\xEE\xEE\xEE", 4, 1},           // and spills into nothing after it
        {"Anim_RotX", REG_DWORD, "\x02\x00\x00\x00", 4, 2},
    };
    StoreRecord(DefaultData);
    for (const auto& c : cases)
        StoreSetting(c.Name, c.Type, c.Data, c.Size);
    ActualData = DefaultData;
    ReadConfig();
    SS_Data expected = DefaultData;
    for (const auto& c : cases)
        SetFieldBits(expected, FieldNamed(c.Name), c.Read);
    EXPECT_TRUE(SameRecord(expected, ActualData));

    // Written back, every flag is 0 or 1.
    ASSERT_TRUE(WriteConfig());
    DWORD flag = 0, size = sizeof flag;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, CONFIG_KEY, "Anim_RotX", RRF_RT_REG_DWORD, nullptr, &flag, &size), ERROR_SUCCESS);
    EXPECT_EQ(flag, 1u);
}

TEST(Registry, AStoreThatFailsIsReportedAndStoresNothing)
{
    // A non-volatile key cannot be made under a volatile one: a real refusal of the registry.
    HKEY parent;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillmora", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr), ERROR_SUCCESS);
    RegCloseKey(parent);
    ActualData = DistinctRecord();
    EXPECT_FALSE(WriteConfig());
    ExpectNoKey(CONFIG_KEY);
}

}  // namespace
