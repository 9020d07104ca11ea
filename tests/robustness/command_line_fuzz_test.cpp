// Random command-line tails: through the library's parser against a plain
// reading of the rule, and through the real nimbrel.scr.
#include "scrnsave/command_line.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

// Pieces of tails: the mode letters in both cases, what may come between them,
// digits enough to overflow 64 bits, and bytes above 127.
const char* const PIECES[] = {
    "a", "A", "c", "C", "p", "P", "s", "S", "/", "-", " ", "\t", "\"", ":", "b", "x", "Z", "?", "\xE1", "\xC0",
    "\x85", "\xFF", "0", "7", "42", "65536", "4294967296", "18446744073709551615", "18446744073709551616",
};

std::string RandomTail(std::mt19937& random, std::size_t pieces)
{
    std::string tail;
    for (std::size_t n = random() % (pieces + 1); n > 0; --n) {
        tail += PIECES[random() % std::size(PIECES)];
        if (random() % 4 == 0)
            tail += std::to_string(random() % 100000);
    }
    return tail;
}

// The rule as the library documents it, read naively.
SaverCommand ReferenceMode(const std::string& tail)
{
    SaverCommand command;
    const std::size_t letter = tail.find_first_of("aAcCpPsS");
    if (letter == std::string::npos)
        return command;
    switch (tail[letter]) {
    case 'a': case 'A': command.Mode = SaverMode::ChangePassword; break;
    case 'c': case 'C': command.Mode = SaverMode::Configure; break;
    case 's': case 'S': command.Mode = SaverMode::FullScreen; break;
    default: {
        command.Mode = SaverMode::Preview;
        const std::size_t digits = tail.find_first_not_of(" \t", letter + 1);
        const std::size_t end = digits == std::string::npos ? digits : tail.find_first_not_of("0123456789", digits);
        std::string number = digits == std::string::npos ? "" : tail.substr(digits, end - digits);
        number.erase(0, std::min(number.find_first_not_of('0'), number.size()));
        // A decimal that does not fit in 64 bits names no window.
        const std::string largest = "18446744073709551615";
        if (number.empty() || number.size() > largest.size() || (number.size() == largest.size() && number > largest))
            return command;
        command.Window = std::stoull(number);
    }
    }
    return command;
}

const char* ModeName(SaverMode mode)
{
    switch (mode) {
    case SaverMode::Configure: return "configure";
    case SaverMode::FullScreen: return "full screen";
    case SaverMode::Preview: return "preview";
    case SaverMode::ChangePassword: return "password";
    }
    return "?";
}

std::string Quoted(const std::string& tail)
{
    std::string shown = "\"";
    for (unsigned char c : tail) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c == '\t' || c >= 0x80 ? "\\x%02X" : "%c", c);
        shown += escaped;
    }
    return shown + '"';
}

HWND FindVisible(const char* className, const char* title, DWORD timeoutMs)
{
    HWND window = nullptr;
    PumpMessagesUntil([&] { return (window = FindWindowA(className, title)) && IsWindowVisible(window); }, timeoutMs);
    return window;
}

void Input(INPUT input)
{
    SendInput(1, &input, sizeof input);
}

void Key(WORD key)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    Input(input);
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    Input(input);
}

// The n-th way a user ends the saver: a key, a click, or a move of the mouse.
void UserInput(int n)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    switch (n % 3) {
    case 0:
        Key(VK_SPACE);
        return;
    case 1:
        input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        Input(input);
        input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        Input(input);
        return;
    default: {
        // To whichever of two far corners of the screen lies farther from the cursor.
        POINT cursor;
        GetCursorPos(&cursor);
        const bool left = cursor.x > GetSystemMetrics(SM_CXSCREEN) / 2;
        input.mi.dx = left ? 8000 : 57000;  // of 65535 across the screen
        input.mi.dy = left ? 8000 : 57000;
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        Input(input);
    }
    }
}

bool NamesAWindow(std::uint64_t handle)
{
    return handle != 0 && handle <= UINTPTR_MAX && IsWindow(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle)));
}

}  // namespace

TEST(CommandLineFuzz, EveryTailGivesTheModeOfItsFirstModeLetter)
{
    std::mt19937 random(5000);
    int modes[4] = {};
    for (int n = 0; n < 5000; ++n) {
        const std::string tail = RandomTail(random, n % 10 == 0 ? 400 : 12);
        const SaverCommand expected = ReferenceMode(tail), got = ParseCommandLine(tail.c_str());
        ASSERT_EQ(got.Mode, expected.Mode) << Quoted(tail);
        ASSERT_EQ(got.Window, expected.Window) << Quoted(tail);
        ++modes[static_cast<int>(got.Mode)];
    }
    for (int mode = 0; mode < 4; ++mode)
        EXPECT_GT(modes[mode], 500) << ModeName(static_cast<SaverMode>(mode)) << " is seldom tried";
}

// Each launch ends within its bound: the modes without a window of their own at
// once, the saver on input, the dialog on Escape. A tail that would preview in a
// window that happens to exist is drawn again: that preview lasts as long as its
// host, which is no window of this test.
TEST(CommandLineFuzz, FiftyLaunchesOfTheSaverEachEndWithCodeZero)
{
    const char* saver = std::getenv("NIMBREL_SCR");
    ASSERT_TRUE(saver) << "NIMBREL_SCR names the program under test";
    std::mt19937 random(50);
    int modes[4] = {};
    for (int launch = 0; launch < 50; ++launch) {
        std::string tail;
        SaverCommand command;
        do {
            tail = RandomTail(random, 12);
            command = ReferenceMode(tail);
        } while (command.Mode == SaverMode::Preview && NamesAWindow(command.Window));
        ++modes[static_cast<int>(command.Mode)];
        SCOPED_TRACE("launch " + std::to_string(launch) + ", " + ModeName(command.Mode) + ", tail " + Quoted(tail));

        Process process('"' + std::string(saver) + "\" " + tail);
        ASSERT_TRUE(process.Started());
        if (command.Mode == SaverMode::FullScreen) {
            HWND window = FindVisible("WindowsScreenSaverClass", "SCREENSAVER", 15000);
            ASSERT_TRUE(window) << "no saver window";
            // Keys go to the foreground window, which the last process to close may have left elsewhere.
            SetForegroundWindow(window);
            PumpMessagesUntil([] { return false; }, 100);
            UserInput(launch);
        } else if (command.Mode == SaverMode::Configure) {
            HWND dialog = FindVisible("#32770", "Configuration of Nimbrel ScreenSaver v1.0", 15000);
            ASSERT_TRUE(dialog) << "no configuration dialog";
            SetForegroundWindow(dialog);
            Key(VK_ESCAPE);
        }
        const std::optional<DWORD> code = process.Wait(10000);
        ASSERT_TRUE(code) << "still running";
        EXPECT_EQ(*code, 0u);
    }
    for (int mode = 0; mode < 4; ++mode)
        EXPECT_GT(modes[mode], 3) << ModeName(static_cast<SaverMode>(mode)) << " is seldom tried";
}
