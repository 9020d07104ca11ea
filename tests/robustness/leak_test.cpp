// Frames, saver starts and dialogs over and over: once warmed up, the process
// must not hold more private memory, GDI objects or USER objects at the end.
#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "saver/saver.h"
#include "tests/dialogs/dialog_driver.h"
#include "tests/robustness/usage.h"
#include "tests/saver/preview.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

// OpenGL's allocations grow in steps of a few hundred KiB as it pleases; the
// Windows heaps, where this program's own allocations live, are counted to the
// byte and may keep no more than a few blocks, besides what Wine's own dialogs keep.
constexpr std::size_t PRIVATE_SLACK = 1 << 20;
constexpr std::size_t HEAP_SLACK = 4096;

void ExpectNoGrowth(const Usage& warm, const Usage& end, std::size_t keptByWine = 0)
{
    std::printf("after the warm-up: %s; at the end: %s\n", Describe(warm).c_str(), Describe(end).c_str());
    EXPECT_LE(end.PrivateBytes, warm.PrivateBytes + PRIVATE_SLACK + keptByWine);
    EXPECT_LE(end.HeapBytes, warm.HeapBytes + HEAP_SLACK + keptByWine) << "Wine's own dialogs keep " << keptByWine;
    EXPECT_LE(end.GdiObjects, warm.GdiObjects);
    EXPECT_LE(end.UserObjects, warm.UserObjects);
}

INT_PTR CALLBACK CloseAtOnce(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
        EndDialog(dialog, 0);
    return FALSE;
}

// Wine keeps a few hundred bytes of heap for every opening of a dialog template,
// whatever its procedure: here, one that only closes it.
std::size_t KeptByWine(int dialogTemplate, int openings)
{
    RegisterDialogClasses(GetModuleHandleA(nullptr));
    const auto open = [dialogTemplate] {
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialogTemplate), nullptr, CloseAtOnce, 0);
    };
    open();
    const std::size_t before = CurrentUsage().HeapBytes;
    for (int opening = 0; opening < openings; ++opening)
        open();
    const std::size_t after = CurrentUsage().HeapBytes;
    return after > before ? after - before : 0;
}

using SaverLeaks = Preview;
using DialogLeaks = DialogTest;

// Each frame as the saver's timer draws it: one animation step, drawn and presented.
void DrawFrames(HWND saver, int count)
{
    for (int frame = 0; frame < count; ++frame)
        SendMessageA(saver, WM_TIMER, ANIMATION_TIMER_ID, 0);
}

}  // namespace

TEST(Usage, CountsWhatTheProcessHolds)
{
    // The first window of a thread brings windows of its own, which go with the last.
    HWND first = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    const Usage before = CurrentUsage();
    HBITMAP bitmaps[3];
    for (HBITMAP& bitmap : bitmaps)
        bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
    HWND windows[2];
    for (HWND& window : windows)
        window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> memory(4 << 20, 1);
    const Usage holding = CurrentUsage();
    EXPECT_GE(holding.PrivateBytes, before.PrivateBytes + memory.size());
    EXPECT_GE(holding.HeapBytes, before.HeapBytes + memory.size());
    EXPECT_EQ(holding.GdiObjects, before.GdiObjects + 3);
    EXPECT_EQ(holding.UserObjects, before.UserObjects + 2);
    for (HBITMAP bitmap : bitmaps)
        DeleteObject(bitmap);
    for (HWND window : windows)
        DestroyWindow(window);
    EXPECT_EQ(CurrentUsage().GdiObjects, before.GdiObjects);
    EXPECT_EQ(CurrentUsage().UserObjects, before.UserObjects);
    DestroyWindow(first);
}

TEST_F(SaverLeaks, TwentyThousandFramesHoldNothingMore)
{
    // Every animation on; a small window keeps llvmpipe's frames short.
    for (const char* flag : {"Anim_R", "Anim_G", "Anim_B", "Anim_RotX", "Anim_RotY", "Anim_RotZ"})
        StoreSetting(flag, DWORD{1});
    OpenHost(64, 48);
    Usage warm = {}, end = {};
    RunPreview({{50, [&] {
        HWND saver = Saver();
        ASSERT_TRUE(saver);
        DrawFrames(saver, 2000);
        warm = CurrentUsage();
        DrawFrames(saver, 18000);
        end = CurrentUsage();
    }}});
    ExpectNoGrowth(warm, end);
}

TEST_F(SaverLeaks, EightySaverStartsHoldNothingMore)
{
    Usage warm = {};
    for (int start = 0; start < 80; ++start) {
        if (start == 20)
            warm = CurrentUsage();
        OpenHost(64, 48);
        RunPreview({{1, [&] {
            ASSERT_TRUE(Saver());
            DrawFrames(Saver(), 10);
        }}});
    }
    ExpectNoGrowth(warm, CurrentUsage());
}

TEST_F(DialogLeaks, TheConfigurationDialogOpened200TimesHoldsNothingMore)
{
    const std::size_t kept = KeptByWine(IDD_CONFIGURE, 180);
    Usage warm = {};
    for (int round = 0; round < 200; ++round) {
        if (round == 20)
            warm = CurrentUsage();
        const int button = round % 2 == 0 ? IDOK : IDCANCEL;
        On(CONFIGURE_CAPTION, [button](HWND dialog) { Press(dialog, button); });
        ASSERT_EQ(RunConfiguration(), button == IDOK ? 1 : 0) << "round " << round;
    }
    ExpectNoGrowth(warm, CurrentUsage(), kept);
}

TEST_F(DialogLeaks, TheDefaultsAndAboutDialogsOpened200TimesEachHoldNothingMore)
{
    const std::size_t kept = KeptByWine(IDD_DEFAULTS, 180) + KeptByWine(IDD_ABOUT, 180) + KeptByWine(IDD_CONFIGURE, 9);
    Usage warm = {};
    for (int session = 0; session < 10; ++session) {
        if (session == 1)
            warm = CurrentUsage();
        for (int round = 0; round < 20; ++round) {
            const bool ok = round % 2 == 0;
            On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDC_SET_DEFAULTS); });
            On(DEFAULTS_CAPTION, [ok](HWND defaults) { Press(defaults, ok ? IDOK : IDCANCEL); });
            On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDC_OPEN_ABOUT); });
            On(ABOUT_CAPTION, [ok](HWND about) { ok ? Press(about, IDOK) : PressKey(about, VK_ESCAPE); });
        }
        On(CONFIGURE_CAPTION, [](HWND dialog) { Press(dialog, IDCANCEL); });
        ASSERT_EQ(RunConfiguration(), 0) << "session " << session;
    }
    ExpectNoGrowth(warm, CurrentUsage(), kept);
}

