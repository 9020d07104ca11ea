// Our screen-saver library: what <scrnsave.h> declares, plus the entry point's work
// as a function of its own so that it can be driven in-process.
#pragma once

#include <windows.h>
#include <scrnsave.h>

// Picks the mode from the command-line tail and runs it. Returns the process's exit code, always 0.
int ScreenSaverMain(HINSTANCE instance, const char* commandTail);
