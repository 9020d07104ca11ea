// What the end-to-end tests ask of Windows itself:
//   desktop cursor X Y       puts the mouse cursor at X, Y through Wine, so that Wine
//                            and the X server agree on where it stands
//   desktop display W H      sets a display mode as a Windows program does, which
//                            Windows then tells every top-level window
//   desktop control CAPTION ID
//                            prints where the control of the window with that caption
//                            lies on the screen, left top right bottom, and its handle
//   desktop show CAPTION N   shows the window with that caption as ShowWindow's N says
//   desktop hold FILE        keeps the file open, sharing it only for reading, as Windows
//                            keeps a running program's file, until its input ends
//   desktop run COMMAND-LINE runs the command line as it stands and returns its exit code
//   desktop user COMMAND-LINE
//                            the same as an administrator before UAC elevates them, whose
//                            Administrators group is for deny only
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static int Run(char* commandLine, bool user)
{
    HANDLE own, token;
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof admins, code = 1;
    SID_AND_ATTRIBUTES denied = {admins, 0};
    STARTUPINFOA start = {};
    PROCESS_INFORMATION process;
    start.cb = sizeof start;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own) ||
        !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) ||
        !CreateRestrictedToken(own, 0, user, &denied, 0, nullptr, 0, nullptr, &token) ||
        !CreateProcessAsUserA(token, nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process) ||
        WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &code))
        return 100;
    return static_cast<int>(code);
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
        if (CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE)
            return 1;
        std::puts("held");
        std::fflush(stdout);
        return std::getchar(), 0;
    }
    if (argc == 3)
        return Run(argv[2], std::strcmp(argv[1], "user") == 0);
    if (argc != 4)
        return 2;
    if (std::strcmp(argv[1], "show") == 0)
        return ShowWindow(FindWindowA(nullptr, argv[2]), std::atoi(argv[3])), 0;
    if (std::strcmp(argv[1], "control") == 0) {
        HWND control = GetDlgItem(FindWindowA(nullptr, argv[2]), std::atoi(argv[3]));
        RECT area;
        if (!control || !GetWindowRect(control, &area))
            return 1;
        std::printf("%ld %ld %ld %ld %llu\n", area.left, area.top, area.right, area.bottom, static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(control)));
        return 0;
    }
    const int a = std::atoi(argv[2]), b = std::atoi(argv[3]);
    if (std::strcmp(argv[1], "cursor") == 0)
        return SetCursorPos(a, b) ? 0 : 1;
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(a);
    mode.dmPelsHeight = static_cast<DWORD>(b);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsExA(nullptr, &mode, nullptr, 0, nullptr) == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}
