// The real nimbrel.scr in preview, hosted by a window of this test.
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string SaverProgram()
{
    const char* path = std::getenv("NIMBREL_SCR");
    return path ? std::string("\"") + path + "\"" : std::string();
}

}  // namespace

TEST(PreviewProcess, FillsItsHostUntilTheHostIsDestroyed)
{
    ASSERT_FALSE(SaverProgram().empty()) << "NIMBREL_SCR names the program under test";
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 30, 300, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(host);
    Process saver(SaverProgram() + " /p " + std::to_string(reinterpret_cast<std::uintptr_t>(host)));
    ASSERT_TRUE(saver.Started());

    HWND child = nullptr;
    ASSERT_TRUE(PumpMessagesUntil([&] { return (child = FindWindowExA(host, nullptr, "WindowsScreenSaverClass", "SCREENSAVER")) != nullptr; }, 10000))
        << "no saver window appeared in the host";
    RECT hostClient, childRect;
    GetClientRect(host, &hostClient);
    GetWindowRect(child, &childRect);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&childRect), 2);
    EXPECT_EQ(childRect.left, 0);
    EXPECT_EQ(childRect.top, 0);
    EXPECT_EQ(childRect.right, hostClient.right);
    EXPECT_EQ(childRect.bottom, hostClient.bottom);

    // Preview never ends on its own, not even on input.
    PumpMessagesUntil([] { return false; }, 500);
    SendMessageA(child, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpMessagesUntil([] { return false; }, 300);
    EXPECT_FALSE(saver.Wait(0)) << "the preview ended while its host was still there";

    DestroyWindow(host);
    const std::optional<DWORD> code = saver.Wait(5000);
    ASSERT_TRUE(code) << "the preview outlived its host";
    EXPECT_EQ(*code, 0u);
}

TEST(PreviewProcess, AHandleThatIsNoWindowEndsAtOnce)
{
    ASSERT_FALSE(SaverProgram().empty());
    for (const char* tail : {" /p 0", " /p junk", " /p", " /p 1234567", " /p 18446744073709551616", " /a"}) {
        Process saver(SaverProgram() + tail);
        const std::optional<DWORD> code = saver.Wait(10000);
        ASSERT_TRUE(code) << tail;
        EXPECT_EQ(*code, 0u) << tail;
    }
}

TEST(Manifest, AsksForVisualStylesTheDisplaysRealPixelsAndNoElevation)
{
    const char* path = std::getenv("NIMBREL_SCR");
    ASSERT_NE(path, nullptr);
    HMODULE saver = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(saver);
    HRSRC found = FindResourceA(saver, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_TRUE(found);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(saver, found)));
    const std::string manifest(bytes, SizeofResource(saver, found));
    FreeLibrary(saver);

    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("<description>Nimbrel</description>"), std::string::npos);
    EXPECT_NE(manifest.find("processorArchitecture=\"amd64\" version=\"1.0.0.0\" type=\"win32\""), std::string::npos);
    // Without these Windows would draw the saver at 96 DPI and stretch it.
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    // The rights of whoever starts it, and no virtual copy of the machine's settings.
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"), std::string::npos);
}
