// bare_frame: the least a full-screen saver must do for its first frame, as
// saver_bench's reference. A top-most popup over every monitor, the scene at its
// defaults with a plain sprite, one frame; then it waits to be ended.
#include "scene/oglscene.h"

#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    // The context's pixel format stays with a private DC. No background brush, so
    // that nothing paints over the frame.
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "BareFrame";
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "BareFrame", "bare frame", WS_POPUP | WS_VISIBLE,
                                  GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                  GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    if (!window)
        return 1;
    static OGLSCENE scene;
    unsigned char sprite[SPRITE_TEXELS];
    std::memset(sprite, 255, sizeof sprite);
    try {
        scene.Create(window, sprite);
    } catch (const char*) {
        return 1;
    }
    scene.SetSSData(DefaultData);
    RECT client;
    GetClientRect(window, &client);
    scene.Resize(static_cast<float>(client.right), static_cast<float>(client.bottom));
    scene.Redraw();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
