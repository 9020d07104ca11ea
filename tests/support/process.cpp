#include "tests/support/process.h"

#include <algorithm>
#include <thread>
#include <vector>

Process::Process(const std::string& commandLine, HANDLE output)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION created = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr, &startup, &created)) {
        CloseHandle(created.hThread);
        process_ = created.hProcess;
    }
}

Process::~Process()
{
    Kill();
    if (process_)
        CloseHandle(process_);
}

void Process::Kill()
{
    if (process_ && !Wait(0)) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
    }
}

std::optional<DWORD> Process::Wait(DWORD timeoutMs)
{
    DWORD code;
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_, &code))
        return std::nullopt;
    return code;
}

ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    {
        Process child(commandLine, writeEnd);
        CloseHandle(writeEnd);
        result.Started = child.Started();
        // Drain the pipe while waiting, so that a talkative child never blocks on a full pipe.
        std::thread reader([&] {
            char buffer[4096];
            DWORD got;
            while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
                result.Output.append(buffer, got);
        });
        const std::optional<DWORD> code = child.Wait(timeoutMs);
        result.TimedOut = result.Started && !code;
        result.ExitCode = code.value_or(1);
        if (result.TimedOut)
            child.Kill();
        reader.join();
    }
    CloseHandle(readEnd);
    return result;
}

std::string SiblingProgram(const char* fileName)
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, length);
    return path.substr(0, path.find_last_of("\\/") + 1) + fileName;
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20)), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}
