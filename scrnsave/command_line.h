// How the screen-saver library reads the tail of its command line.
#pragma once

#include <cstdint>

enum class SaverMode { Configure, FullScreen, Preview, ChangePassword };

struct SaverCommand {
    SaverMode Mode = SaverMode::Configure;
    // The preview's host, or the configuration's owner; 0 when none could be read.
    std::uint64_t Window = 0;
};

// The first of the letters A, C, P and S, in either case, decides; none means Configure.
// After P come optional blanks or tabs and a decimal handle of up to 64 bits; after
// C the same, or a colon and the handle.
SaverCommand ParseCommandLine(const char* tail);
