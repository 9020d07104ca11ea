#include "tests/support.h"

#include <sddl.h>

namespace {

TEST(Registry, EachValueIsTheUsersElseTheMachinesElseTheDefaultTakenOverZeroWhenItFitsInFourBytes)
{
    const HKEY machine = HKEY_LOCAL_MACHINE, user = HKEY_CURRENT_USER;
    // Short data fill the low bytes of zero, not of the default: 'a', 'b' and the terminator, say. A value there with no data, or with
    // too much, reads as zero, the user's too. A flag is its first byte and spills into nothing after it. The user's own value wins.
    const struct { HKEY Root; const char* Name; DWORD Type; const char* Data; DWORD Size; std::uint32_t Read; } cases[] = {
        {machine, "SCol_R", REG_BINARY, "\xAA\xBB", 2, 0xBBAA}, {machine, "BCol_B", REG_SZ, "ab", 3, 0x6261}, {machine, "Sizing", REG_BINARY, "", 0, 0},
        {machine, "PointCount", REG_QWORD, "\x09\0\0\0\0\0\0", 8, 0}, {machine, "Anim_R", REG_DWORD, "\x00\x01\x00\x00", 4, 0},
        {machine, "Anim_B", REG_DWORD, "\x01\xEE\xEE\xEE", 4, 1}, {machine, "RotY", REG_DWORD, "\x00\x00\x00\x3F", 4, Bits(0.5f)},
        {user, "RotY", REG_DWORD, "\x00\x00\x40\x3F", 4, Bits(0.75f)}, {machine, "Speed", REG_DWORD, "\x00\x00\x00\x3F", 4, Bits(0.5f)},
        {user, "Speed", REG_SZ, "12345678", 9, 0}, {user, "BCol_G", REG_DWORD, "\x05\x00\x00\x00", 4, 5} /* the user's alone */};
    SS_Data expected = DefaultData;
    for (const auto& c : cases) {
        StoreSetting(c.Name, c.Type, c.Data, c.Size, c.Root);
        SetFieldBits(expected, FieldNamed(c.Name), c.Read);
    }
    EXPECT_EQ(Described(expected), Described(StoredRecord()));
}

TEST(Registry, AStoreIsForEveryoneWhereWindowsAllowsItAndElseTheUsersOwn)
{
    // A DACL on the settings key that lets everyone read it and no one write it, as Windows keeps the
    // machine's keys from a process that is not elevated.
    const auto makeReadOnly = [](HKEY root) {
        HKEY key;
        PSECURITY_DESCRIPTOR readOnly;
        ASSERT_EQ(RegCreateKeyExA(root, CONFIG_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, nullptr));
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
        LocalFree(readOnly);
        RegCloseKey(key);
    };
    // With no key, the defaults, and reading makes none.
    ActualData = DistinctRecord();
    EXPECT_EQ(Described(DefaultData), Described(StoredRecord()));
    EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE) || HasKey(HKEY_CURRENT_USER));

    // Stored for everyone, the user's own key goes, since it would hide what was stored.
    StoreSetting("PointCount", DWORD{99}, HKEY_CURRENT_USER);
    StoreRecord(DistinctRecord());
    EXPECT_FALSE(HasKey(HKEY_CURRENT_USER));
    EXPECT_EQ(Described(DistinctRecord()), Described(StoredRecord()));
    // A user's key that cannot go, as it holds a key of its own, takes the store as well.
    StoreSetting("PointCount", DWORD{98}, HKEY_CURRENT_USER);
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(CONFIG_KEY) + "\\Inner").c_str(), nullptr, REG_SZ, "", 1), ERROR_SUCCESS);
    StoreRecord(WhitePoints(2, 30));
    EXPECT_EQ(Described(WhitePoints(2, 30)), Described(StoredRecord()));

    // The machine key only an elevated process may write, the user's own takes the whole store.
    makeReadOnly(HKEY_LOCAL_MACHINE);
    StoreRecord(WhitePoints(3, 40));
    EXPECT_EQ(Described(WhitePoints(3, 40)), Described(StoredRecord()));
    EXPECT_TRUE(HasKey(HKEY_CURRENT_USER));
    makeReadOnly(HKEY_CURRENT_USER);
    EXPECT_FALSE(WriteConfig()) << "neither key can be written";
}

}  // namespace
