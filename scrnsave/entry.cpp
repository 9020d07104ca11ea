// The process entry point of a screen saver built on this library.
#include "scrnsave/scrnsave.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int)
{
    return ScreenSaverMain(instance, commandTail);
}
