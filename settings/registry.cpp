#include "settings/settings.h"

#include <windows.h>

#include <initializer_list>

const char CONFIG_KEY[] = "SOFTWARE\\Quillmora\\Nimbrel_SS_1.0";

namespace {

// Both builds share the machine's 64-bit view; 32-bit Windows has only the one.
constexpr REGSAM MACHINE_VIEW = KEY_WOW64_64KEY;

HKEY OpenToRead(HKEY root, REGSAM view)
{
    HKEY key;
    return RegOpenKeyExA(root, CONFIG_KEY, 0, KEY_QUERY_VALUE | view, &key) == ERROR_SUCCESS ? key : nullptr;
}

// Takes a value the key holds into the field, over zero, and says whether the key
// holds it. Data longer than 4 bytes are held but not taken, so the field reads 0.
bool ReadValue(HKEY key, const FieldInfo& field, SS_Data& data)
{
    DWORD bits = 0, size = sizeof bits;
    const LONG result = key ? RegQueryValueExA(key, field.Name, nullptr, nullptr, reinterpret_cast<BYTE*>(&bits), &size) : ERROR_FILE_NOT_FOUND;
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
        return false;
    SetFieldBits(data, field, result == ERROR_SUCCESS ? bits : 0);
    return true;
}

// All 22 values, or false.
bool StoreIn(HKEY root, REGSAM view)
{
    HKEY key;
    // Setting values is all that is done with the key; creating it needs no right on it.
    if (RegCreateKeyExA(root, CONFIG_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | view, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool stored = true;
    const SettingsValues values = ValuesOf(ActualData);
    for (int i = 0; i < FIELD_COUNT; ++i)
        if (RegSetValueExA(key, Fields[i].Name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values[i]), sizeof values[i]) != ERROR_SUCCESS)
            stored = false;
    RegCloseKey(key);
    return stored;
}

bool NoUserKey()
{
    const LONG result = RegDeleteKeyA(HKEY_CURRENT_USER, CONFIG_KEY);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace

void ReadConfig()
{
    HKEY user = OpenToRead(HKEY_CURRENT_USER, 0), machine = OpenToRead(HKEY_LOCAL_MACHINE, MACHINE_VIEW);
    ActualData = DefaultData;
    for (const FieldInfo& field : Fields)
        if (!ReadValue(user, field, ActualData))
            ReadValue(machine, field, ActualData);
    for (HKEY key : {user, machine})
        if (key)
            RegCloseKey(key);
}

bool WriteConfig()
{
    // Since Vista only an elevated process may write the machine's settings;
    // anyone else keeps their own. The user's own key goes after a store for
    // everyone, which it would otherwise hide.
    return (StoreIn(HKEY_LOCAL_MACHINE, MACHINE_VIEW) && NoUserKey()) || StoreIn(HKEY_CURRENT_USER, 0);
}
