// Child processes for tests: run one to its end and collect what it printed, or
// start one and keep it running while the test works.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

class Process {
public:
    // output, when given, receives the child's standard output and error.
    explicit Process(const std::string& commandLine, HANDLE output = nullptr);
    ~Process();  // ends the child if it still runs
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return process_ != nullptr; }
    // The exit code, or nothing while the child still runs after timeoutMs.
    std::optional<DWORD> Wait(DWORD timeoutMs);
    void Kill();

private:
    HANDLE process_ = nullptr;
};

struct ProcessResult {
    bool Started = false;
    bool TimedOut = false;
    DWORD ExitCode = 0;
    std::string Output;  // standard output and standard error together
};

ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs = 30000);

// The full path of a program built beside the running one.
std::string SiblingProgram(const char* fileName);

// Dispatches this thread's messages until done() holds or timeoutMs pass; returns done().
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);
