#include "tests/support.h"

namespace {

TEST(Registry, AMissingKeyGivesTheDefaultsAndCreatesNothing)
{
    ActualData = DistinctRecord();
    ReadConfig();
    EXPECT_EQ(Described(DefaultData), Described(ActualData));
    HKEY key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillmora", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST(Registry, DataOfAnyTypeAreTakenByteForByteWhenTheyFitInFourBytesAndMissingOnesAreTheDefaults)
{
    const struct { const char* Name; DWORD Type; const char* Data; DWORD Size; std::uint32_t Read; } cases[] = {
        {"SCol_R", REG_BINARY, "\xAA\xBB", 2, 0x3F80BBAA},  // only the low bytes of the default
        {"BCol_B", REG_SZ, "ab", 3, 0x6261},                 // 'a', 'b' and the terminator
        {"Size_Max", REG_BINARY, "\x00\x00\x40\x3F", 4, Bits(0.75f)},
        {"Sizing", REG_BINARY, "", 0, 2},                    // no data: untouched
        {"PointCount", REG_QWORD, "\x09\0\0\0\0\0\0", 8, 50},  // too long: skipped
        {"Speed", REG_SZ, "12345678", 9, Bits(0.25f)},
        {"Anim_R", REG_DWORD, "\x00\x01\x00\x00", 4, 0},     // a flag is its first byte
        {"Anim_B", REG_DWORD, "\x01\xEE\xEE\xEE", 4, 1},     // and spills into nothing after it
        {"Anim_RotX", REG_DWORD, "\x02\x00\x00\x00", 4, 2},
    };
    SS_Data expected = DefaultData;
    for (const auto& c : cases) {
        StoreSetting(c.Name, c.Type, c.Data, c.Size);
        SetFieldBits(expected, FieldNamed(c.Name), c.Read);
    }
    ReadConfig();
    EXPECT_EQ(Described(expected), Described(ActualData));

    ASSERT_TRUE(WriteConfig());
    EXPECT_EQ(StoredRecord().Anim_RotX, 1) << "written back, every flag is 0 or 1";
}

}  // namespace
