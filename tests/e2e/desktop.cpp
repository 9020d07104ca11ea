// What the end-to-end tests ask of Windows itself:
//   desktop cursor X Y       puts the mouse cursor at X, Y through Wine, so that Wine
//                            and the X server agree on where it stands
//   desktop display W H      sets a display mode as a Windows program does, which
//                            Windows then tells every top-level window
//   desktop control CAPTION ID
//                            prints where the control of the window with that caption
//                            lies on the screen, left top right bottom, and its handle
//   desktop show CAPTION N   shows the window with that caption as ShowWindow's N says
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
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
