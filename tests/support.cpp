#include "tests/support.h"

#include "dialogs/dialogs.h"
#include "saver/saver.h"
#include "scrnsave/scrnsave.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <sstream>

namespace {

struct PrivateMachineKey {
    PrivateMachineKey()
    {
        char path[64];
        std::snprintf(path, sizeof path, "Software\\NimbrelTests\\%lu", GetCurrentProcessId());
        RegDeleteTreeA(HKEY_CURRENT_USER, path);
        HKEY root;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr) != ERROR_SUCCESS
            || RegOverridePredefKey(HKEY_LOCAL_MACHINE, root) != ERROR_SUCCESS)
            std::abort();
    }
} privateMachineKey;

}  // namespace

void StoreSetting(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, CONFIG_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS) << name;
    RegCloseKey(key);
}

void StoreRecord(const SS_Data& data)
{
    ActualData = data;
    EXPECT_TRUE(WriteConfig());
}

SS_Data StoredRecord()
{
    SS_Data data = {};
    for (const FieldInfo& field : Fields) {
        DWORD bits = 0, size = sizeof bits;
        EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, CONFIG_KEY, field.Name, RRF_RT_REG_DWORD, nullptr, &bits, &size), ERROR_SUCCESS) << field.Name;
        SetFieldBits(data, field, bits);
    }
    return data;
}

std::uint32_t Bits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

const FieldInfo& FieldNamed(const std::string& name)
{
    for (const FieldInfo& field : Fields)
        if (name == field.Name)
            return field;
    ADD_FAILURE() << "no field " << name;
    return Fields[0];
}

::testing::AssertionResult SameRecord(const SS_Data& expected, const SS_Data& actual)
{
    std::ostringstream differences;
    for (const FieldInfo& field : Fields)
        if (FieldBits(expected, field) != FieldBits(actual, field))
            differences << ' ' << field.Name << ": expected 0x" << std::hex << FieldBits(expected, field) << ", got 0x"
                        << FieldBits(actual, field) << std::dec << ';';
    if (differences.str().empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "records differ:" << differences.str();
}

SS_Data DistinctRecord()
{
    return {1, 2, 3, 0.0f, 1.0f, 0.0f, 0, 0, 1, 0.29f, 0, 700.0f, 20.0f, 1, 1234, 0.57f, 0.75f, 1.0f, 1, 1, 1, 0.26f};
}

SS_Data WhitePoints(std::int32_t count, float size)
{
    SS_Data data = DefaultData;
    data.BCol_R = data.BCol_G = data.BCol_B = 0;
    data.SCol_R = data.SCol_G = data.SCol_B = 1.0f;
    data.Anim_R = data.Anim_G = data.Anim_B = data.Anim_Rotating = 0;
    data.Sizing = 2;
    data.Size_Max = size;
    data.PointCount = count;
    data.Spread = 0.0f;
    return data;
}

WindowScene::WindowScene(unsigned char spriteValue, int width, int height)
    : WindowScene(std::vector<unsigned char>(SPRITE_TEXELS, spriteValue).data(), width, height)
{
}

WindowScene::WindowScene(const unsigned char* sprite, int width, int height)
    : width_(width), height_(height), scene_(std::make_unique<OGLSCENE>())
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "NimbrelScene";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA("NimbrelScene", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
    scene_->Create(window_, sprite);
    scene_->Resize(static_cast<float>(width), static_cast<float>(height));
}

WindowScene::~WindowScene()
{
    scene_->Destroy(window_);
    DestroyWindow(window_);
}

std::vector<std::uint8_t> WindowScene::Frame()
{
    DrawFrame(*scene_);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width_) * height_ * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

namespace {

HWND host;
std::function<void(HWND)> saverStep;

void CALLBACK StepOnceStarted(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!IsWindow(hMainWindow) || !TimerName)
        return;
    KillTimer(nullptr, timer);
    saverStep(hMainWindow);
    DestroyWindow(host ? host : hMainWindow);
}

}  // namespace

int RunSaver(const char* mode, const std::function<void(HWND saver)>& step)
{
    std::string tail = mode;
    if (tail == "/p") {
        RECT frame = {0, 0, 320, 240};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        host = CreateWindowA("STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, frame.right - frame.left,
                             frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
        tail += " " + std::to_string(reinterpret_cast<std::uintptr_t>(host));
    }
    saverStep = step;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, StepOnceStarted);
    const int result = ScreenSaverMain(GetModuleHandleA(nullptr), tail.c_str());
    KillTimer(nullptr, timer);
    return result;
}

const char CONFIGURE[] = "Configuration of Nimbrel ScreenSaver v1.0";
const char DEFAULTS[] = "Set Defaults";
const char ABOUT[] = "About";

namespace {

std::deque<std::pair<std::string, std::function<void(HWND)>>> pending;

// Runs the next action once its dialog is shown and active, which a dialog is
// not while a box it owns is open. The action leaves the queue before it runs,
// since it may open a box whose modal loop ticks this timer again.
void CALLBACK RunNextAction(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = GetActiveWindow();
    char caption[128] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    if (pending.empty() || pending.front().first != caption || !IsWindowVisible(dialog))
        return;
    const auto action = std::move(pending.front().second);
    pending.pop_front();
    action(dialog);
}

}  // namespace

void On(const char* caption, std::function<void(HWND)> action)
{
    pending.emplace_back(caption, std::move(action));
}

void RunConfiguration(std::string tail)
{
    // Tests run side by side, and a dialog owned by another's foreground window would go with it.
    static HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    if (tail.empty())
        tail = "/c:" + std::to_string(reinterpret_cast<std::uintptr_t>(owner));
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, RunNextAction);
    EXPECT_EQ(ScreenSaverMain(GetModuleHandleA(nullptr), tail.c_str()), 0);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(pending.empty()) << "actions left for " << pending.front().first;
    pending.clear();
}

void Slide(HWND dialog, int id, int position)
{
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
    UpdateWindow(GetDlgItem(dialog, id));
}

std::string Text(HWND dialog, int id)
{
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void ExpectPictureShown(HWND frame, HBITMAP picture)
{
    BITMAP size = {};
    ASSERT_TRUE(GetObjectA(picture, sizeof size, &size));
    RECT client;
    GetClientRect(frame, &client);
    HDC shown = GetDC(frame), original = CreateCompatibleDC(shown);
    HGDIOBJ previous = SelectObject(original, picture);
    // Inside the frame's one-pixel line the picture spans the width, keeping its shape.
    const int width = client.right - 2, height = client.bottom - 2;
    const double perPixel = static_cast<double>(size.bmWidth) / width;
    const auto miss = [&](int x) {
        double sum = 0;
        for (int y = 0; y < height && (y + 0.5) * perPixel < size.bmHeight; ++y) {
            const COLORREF a = GetPixel(shown, x + 1, y + 1);
            const COLORREF b = GetPixel(original, static_cast<int>((x + 0.5) * perPixel), static_cast<int>((y + 0.5) * perPixel));
            sum += std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) + std::abs(GetBValue(a) - GetBValue(b));
        }
        return sum / height;
    };
    double all = 0;
    for (int x = 0; x < width; ++x)
        all += miss(x) / width;
    EXPECT_LT(all, 25) << "of 765 on each pixel";
    EXPECT_LT(miss(width - 1), 60) << "the far side of the frame";
    SelectObject(original, previous);
    DeleteDC(original);
    ReleaseDC(frame, shown);
}
