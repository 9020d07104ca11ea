#include "tests/support/scene_window.h"

HWND OpenSceneWindow(int width, int height, DWORD style)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "NimbrelScene";
    RegisterClassA(&windowClass);
    return CreateWindowA("NimbrelScene", "", style, 0, 0, width, height, nullptr, nullptr, windowClass.hInstance,
                         nullptr);
}
