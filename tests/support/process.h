// Runs a program to its end and collects what it printed.
#pragma once

#include <windows.h>

#include <string>

struct ProcessResult {
    bool Started = false;
    bool TimedOut = false;
    DWORD ExitCode = 0;
    std::string Output;  // standard output and standard error together
};

ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs = 30000);

// The full path of a program built beside the running one.
std::string SiblingProgram(const char* fileName);
