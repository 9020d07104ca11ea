#include "settings/settings.h"

#include <windows.h>

const char CONFIG_KEY[] = "SOFTWARE\\Quillmora\\Nimbrel_SS_1.0";

void ReadConfig()
{
    // A value can be missing from a key that a store left half written, or that
    // another version wrote; its field then keeps its default, not zero.
    ActualData = DefaultData;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (const FieldInfo& field : Fields) {
        // Data shorter than 4 bytes overwrite only the low bytes of the default.
        // The buffer is undefined after a failed query, so it is taken only on success.
        DWORD bits = FieldBits(ActualData, field);
        DWORD size = sizeof bits;
        if (RegQueryValueExA(key, field.Name, nullptr, nullptr, reinterpret_cast<BYTE*>(&bits), &size) == ERROR_SUCCESS)
            SetFieldBits(ActualData, field, bits);
    }
    RegCloseKey(key);
}

bool WriteConfig()
{
    HKEY key;
    // Setting values is all that is done with the key; creating it needs no right on it.
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool stored = true;
    for (const FieldInfo& field : Fields) {
        const DWORD bits = StoredBits(ActualData, field);
        if (RegSetValueExA(key, field.Name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&bits), sizeof bits) != ERROR_SUCCESS)
            stored = false;
    }
    RegCloseKey(key);
    return stored;
}
