#include "scrnsave/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* Tail;
    SaverMode Mode;
    std::uint64_t Window;
};

template <std::size_t N>
void ExpectCommands(const Case (&cases)[N])
{
    for (const Case& c : cases) {
        const SaverCommand command = ParseCommandLine(c.Tail);
        EXPECT_EQ(command.Mode, c.Mode) << '"' << c.Tail << '"';
        EXPECT_EQ(command.Window, c.Window) << '"' << c.Tail << '"';
    }
}

}  // namespace

TEST(CommandLine, TheFirstModeLetterDecidesInEitherCase)
{
    const Case cases[] = {
        {"/s", SaverMode::FullScreen, 0},
        {"/S", SaverMode::FullScreen, 0},
        {"-s", SaverMode::FullScreen, 0},
        {"s", SaverMode::FullScreen, 0},
        {"/c", SaverMode::Configure, 0},
        {"/c:456", SaverMode::Configure, 0},
        {"/C 456", SaverMode::Configure, 0},
        {"/a", SaverMode::ChangePassword, 0},
        {"/A 789", SaverMode::ChangePassword, 0},
        {"xyz", SaverMode::Configure, 0},
        {"", SaverMode::Configure, 0},
        {"   ", SaverMode::Configure, 0},
        {"/x /s /c", SaverMode::FullScreen, 0},
        {"/c /s", SaverMode::Configure, 0},
        {"\"/sp\"", SaverMode::FullScreen, 0},
        {"12 /p 5", SaverMode::Preview, 5},
    };
    ExpectCommands(cases);
    EXPECT_EQ(ParseCommandLine(nullptr).Mode, SaverMode::Configure);
}

TEST(CommandLine, PreviewTakesADecimalHandleAfterBlanksOrTabs)
{
    const Case cases[] = {
        {"/p 123", SaverMode::Preview, 123},
        {"/P\t123", SaverMode::Preview, 123},
        {"/p \t  42 junk", SaverMode::Preview, 42},
        {"/p123", SaverMode::Preview, 123},
        {"/p", SaverMode::Preview, 0},
        {"/p junk", SaverMode::Preview, 0},
        {"/p:123", SaverMode::Preview, 0},
        {"/p -5", SaverMode::Preview, 0},
        {"/p 0", SaverMode::Preview, 0},
        {"/p 18446744073709551615", SaverMode::Preview, 18446744073709551615ull},
        {"/p 4294967296", SaverMode::Preview, 4294967296ull},
        // Past 64 bits the digits name no window.
        {"/p 18446744073709551616", SaverMode::Preview, 0},
        {"/p 99999999999999999999999", SaverMode::Preview, 0},
    };
    ExpectCommands(cases);
}

TEST(CommandLine, LongAndGarbageTailsAreReadSafely)
{
    std::string noLetter(100000, '/');
    EXPECT_EQ(ParseCommandLine(noLetter.c_str()).Mode, SaverMode::Configure);

    std::string lateLetter = noLetter + "s";
    EXPECT_EQ(ParseCommandLine(lateLetter.c_str()).Mode, SaverMode::FullScreen);

    std::string longHandle = "/p " + std::string(5000, '9');
    EXPECT_EQ(ParseCommandLine(longHandle.c_str()).Window, 0u);

    // Bytes above 127 are no letters, whatever a code page makes of them.
    std::string highBytes;
    for (int byte = 128; byte < 256; ++byte)
        highBytes += static_cast<char>(byte);
    EXPECT_EQ(ParseCommandLine(highBytes.c_str()).Mode, SaverMode::Configure);
    EXPECT_EQ(ParseCommandLine((highBytes + "P 7").c_str()).Window, 7u);
}
