// What the program may touch in the registry.
#include "resources/resource.h"
#include "settings/settings.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/saver/preview.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// Every key and value under a key, by path; a key's own entry has no value name.
using Snapshot = std::map<std::string, std::pair<DWORD, std::vector<unsigned char>>>;

void Walk(HKEY root, const std::string& path, const std::vector<std::string>& skipped, Snapshot& snapshot)
{
    if (std::find(skipped.begin(), skipped.end(), path) != skipped.end())
        return;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    snapshot[path + "\\"] = {};
    char name[256];
    std::vector<unsigned char> data(1 << 16);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof name, type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        snapshot[path + "\\" + name] = {type, std::vector<unsigned char>(data.begin(), data.begin() + size)};
    }
    std::vector<std::string> children;
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.push_back(path.empty() ? name : path + "\\" + name);
    }
    RegCloseKey(key);
    for (const std::string& child : children)
        Walk(root, child, skipped, snapshot);
}

// The machine's keys as this process sees them (its sandbox), and the user's
// software keys apart from the sandboxes and Wine's own.
Snapshot TakeSnapshot()
{
    Snapshot machine, user;
    Walk(HKEY_LOCAL_MACHINE, "", {}, machine);
    Walk(HKEY_CURRENT_USER, "Software", {"Software\\NimbrelTests", "Software\\Wine"}, user);
    for (auto& [path, value] : user)
        machine["HKCU\\" + path] = value;
    return machine;
}

bool IsSettingsValue(const std::string& path)
{
    const std::string key = std::string(CONFIG_KEY) + "\\";
    if (path.rfind(key, 0) != 0)
        return false;
    const std::string name = path.substr(key.size());
    return std::any_of(std::begin(Fields), std::end(Fields), [&](const FieldInfo& field) { return name == field.Name; });
}

void StoreString(const char* path, const char* name, const char* text)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1)), ERROR_SUCCESS);
    RegCloseKey(key);
}

using Registry = Preview;

}  // namespace

TEST_F(Registry, NothingButTheTwentyTwoSettingsValuesIsWritten)
{
    // Neighbours that nothing of the program may touch.
    StoreString("SOFTWARE\\Quillmora", "Owner", "someone else");
    StoreString("SOFTWARE\\Quillmora\\Other_SS_1.0", "BCol_R", "not ours");
    StoreString(CONFIG_KEY, "Extra", "left alone");
    StoreString((std::string(CONFIG_KEY) + "\\Sub").c_str(), "Speed", "left alone");
    StoreSetting("Speed", 0.5f);
    const Snapshot before = TakeSnapshot();

    On(CONFIGURE_CAPTION, [](HWND dialog) {
        Slide(dialog, IDC_POINT_COUNT, 99);
        Press(dialog, IDC_SET_DEFAULTS);
    });
    On(DEFAULTS_CAPTION, [](HWND defaults) { Press(defaults, IDOK); });
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDC_OPEN_ABOUT); });
    On(ABOUT_CAPTION, [](HWND about) { Press(about, IDOK); });
    On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDOK); });
    ASSERT_EQ(RunConfiguration(), 1);
    RunPreview({{500, [] {}}});

    const Snapshot after = TakeSnapshot();
    int settingsWritten = 0;
    for (const auto& [path, value] : after) {
        if (IsSettingsValue(path)) {
            ++settingsWritten;
            continue;
        }
        const auto was = before.find(path);
        EXPECT_TRUE(was != before.end() && was->second == value) << path << " was written";
    }
    for (const auto& [path, value] : before)
        EXPECT_TRUE(after.count(path)) << path << " was deleted";
    EXPECT_EQ(settingsWritten, FIELD_COUNT);
}
