#include "tests/support/registry_sandbox.h"

#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string FreshPath()
{
    static unsigned serial;
    char path[96];
    std::snprintf(path, sizeof path, "Software\\NimbrelTests\\%lu-%u", GetCurrentProcessId(), ++serial);
    return path;
}

}  // namespace

RegistrySandbox::RegistrySandbox() : path_(FreshPath()), owner_(true)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    Enter();
}

RegistrySandbox::RegistrySandbox(const std::string& path) : path_(path), owner_(false)
{
    Enter();
}

void RegistrySandbox::Enter()
{
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_, nullptr) != ERROR_SUCCESS
        || RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot make a registry sandbox at HKCU\\%s\n", path_.c_str());
        std::abort();
    }
}

RegistrySandbox::~RegistrySandbox()
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(root_);
    if (owner_)
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
}

void StoreSetting(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS) << name;
    RegCloseKey(key);
}

void StoreSetting(const char* name, DWORD value)
{
    StoreSetting(name, REG_DWORD, &value, sizeof value);
}

void StoreSetting(const char* name, float value)
{
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    StoreSetting(name, bits);
}
