#include "scrnsave/command_line.h"

#include <limits>

namespace {

// Digits that overflow 64 bits name no window, so they read as none.
std::uint64_t ReadHandle(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    std::uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const unsigned digit = *text - '0';
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

SaverCommand ParseCommandLine(const char* tail)
{
    SaverCommand command;
    for (const char* at = tail; at && *at; ++at) {
        switch (*at | 0x20) {  // ASCII letters to lower case
        case 'a':
            command.Mode = SaverMode::ChangePassword;
            return command;
        case 'c':
            command.Mode = SaverMode::Configure;
            // The screen-saver settings of Windows name their own window: /c:HWND.
            command.Window = ReadHandle(at[1] == ':' ? at + 2 : at + 1);
            return command;
        case 's':
            command.Mode = SaverMode::FullScreen;
            return command;
        case 'p':
            command.Mode = SaverMode::Preview;
            command.Window = ReadHandle(at + 1);
            return command;
        }
    }
    return command;
}
