// set_cursor X Y: puts the mouse cursor at X, Y through Wine, so that Wine and the
// X server agree on where it stands before a saver records its start.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    return SetCursorPos(std::atoi(argv[1]), std::atoi(argv[2])) ? 0 : 1;
}
