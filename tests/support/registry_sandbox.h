// A private HKEY_LOCAL_MACHINE for one test: a fresh key under HKEY_CURRENT_USER
// stands in for it in this process, so that tests never see each other's values
// and the real machine key is left alone.
#pragma once

#include <windows.h>

#include <string>

class RegistrySandbox {
public:
    RegistrySandbox();
    // Joins the sandbox that another process made, for a child that must read what its parent wrote.
    explicit RegistrySandbox(const std::string& path);
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // Where the stand-in lives under HKEY_CURRENT_USER.
    const std::string& Path() const { return path_; }

private:
    void Enter();

    std::string path_;
    HKEY root_ = nullptr;
    bool owner_;
};

// Sets one value of the settings key, in whatever stands for HKEY_LOCAL_MACHINE.
void StoreSetting(const char* name, DWORD type, const void* data, DWORD size);
void StoreSetting(const char* name, DWORD value);
void StoreSetting(const char* name, float value);
