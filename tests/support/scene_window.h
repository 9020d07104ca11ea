// A window of its own class for a scene to draw into, for the scene's tests and benchmark.
#pragma once

#include <windows.h>

HWND OpenSceneWindow(int width, int height, DWORD style);
