#include "tests/saver/preview.h"

#include "scrnsave/scrnsave.h"
#include "settings/settings.h"

#include <cstdint>
#include <string>

Preview* Preview::current_;

void Preview::SetUp()
{
    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = DefWindowProcA;
    hostClass.hInstance = GetModuleHandleA(nullptr);
    hostClass.lpszClassName = "NimbrelTestHost";
    RegisterClassA(&hostClass);
    OpenHost(320, 240);
    ActualData = SS_Data{};
}

void Preview::TearDown()
{
    if (IsWindow(host_))
        DestroyWindow(host_);
}

void Preview::OpenHost(int width, int height)
{
    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    host_ = CreateWindowExA(0, "NimbrelTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(host_);
}

DWORD Preview::RunPreview(Steps steps)
{
    steps_ = std::move(steps);
    next_ = 0;
    current_ = this;
    SetTimer(host_, 1, steps_.empty() ? 1 : steps_[0].first, Step);
    const ULONGLONG started = GetTickCount64();
    const std::string tail = "/p " + std::to_string(reinterpret_cast<std::uintptr_t>(host_));
    EXPECT_EQ(ScreenSaverMain(GetModuleHandleA(nullptr), tail.c_str()), 0);
    KillTimer(host_, 1);
    return static_cast<DWORD>(GetTickCount64() - started);
}

HWND Preview::Saver() const
{
    return FindWindowExA(host_, nullptr, "WindowsScreenSaverClass", "SCREENSAVER");
}

void CALLBACK Preview::Step(HWND host, UINT, UINT_PTR id, DWORD)
{
    KillTimer(host, id);
    Preview& self = *current_;
    if (self.next_ < self.steps_.size())
        self.steps_[self.next_++].second();
    if (self.next_ < self.steps_.size())
        SetTimer(host, id, self.steps_[self.next_].first, Step);
    else
        DestroyWindow(host);
}

void Preview::StoreOneWhitePoint()
{
    StoreSetting("PointCount", DWORD{1});
    StoreSetting("Spread", 0.0f);
    for (const char* channel : {"SCol_R", "SCol_G", "SCol_B"})
        StoreSetting(channel, 1.0f);
}
