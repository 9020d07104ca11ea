#include "tests/support.h"

SaverFrames frames;
const char CONFIGURE[] = "Configuration of Nimbrel ScreenSaver v1.0", DEFAULTS[] = "Set Defaults", ABOUT[] = "About";

namespace {

// Both stand-ins are made before either takes the place of its predefined key. A
// test may leave them read-only, so a later process with the same id gets keys of its own.
const bool privateKeys = [] {
    const std::string path = "Software\\NimbrelTests\\" + std::to_string(GetCurrentProcessId()) + "." + std::to_string(GetTickCount64());
    HKEY machine, user;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine, nullptr) != ERROR_SUCCESS
        || RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\user").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr) != ERROR_SUCCESS
        || RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine) != ERROR_SUCCESS || RegOverridePredefKey(HKEY_CURRENT_USER, user) != ERROR_SUCCESS)
        std::abort();
    return true;
}();

// The configuration dialog's pane runs the real saver, as it does for users.
const bool realPreview = [] {
    static std::wstring program = L"Z:" NIMBREL_SCR;
    std::replace(program.begin(), program.end(), L'/', L'\\');
    PreviewProgram = program.c_str();
    return true;
}();

HWND host;
std::function<bool(HWND)> saverStep;
bool stepped;
double frameStart;

// Windows' own display, with the frames counted.
void CountFrame()
{
    if (frames.OnAsk)
        frames.OnAsk();
    frameStart = SaverSeconds();
}
void PresentCounted(HDC dc) { SwapBuffers(dc); ++frames.Drawn; frames.Slowest = std::max(frames.Slowest, SaverSeconds() - frameStart); }

void CALLBACK StepOnceDrawn(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!IsWindow(hMainWindow) || !AnimationClock.Running)
        return;
    if (!std::exchange(stepped, true))
        frames = {};
    if (saverStep(hMainWindow)) {
        KillTimer(nullptr, timer);
        DestroyWindow(host ? host : hMainWindow);
    }
}

std::deque<std::pair<std::string, std::function<void(HWND)>>> pending;

// Runs the next action once its dialog is shown and enabled, which a dialog is
// not while a box it owns is open. Found among this thread's windows, since one
// that opens while another test holds the foreground is never made active. The
// action leaves the queue before it runs, since it may open a box whose modal
// loop ticks this timer again.
void CALLBACK RunNextAction(HWND, UINT, UINT_PTR, DWORD)
{
    if (pending.empty())
        return;
    HWND dialog = nullptr;
    do
        dialog = FindWindowExA(nullptr, dialog, nullptr, pending.front().first.c_str());
    while (dialog && GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId());
    if (!dialog || !IsWindowVisible(dialog) || !IsWindowEnabled(dialog))
        return;
    const auto action = std::move(pending.front().second);
    pending.pop_front();
    action(dialog);
}

}  // namespace

void StoreSetting(const char* name, DWORD type, const void* data, DWORD size, HKEY root)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, CONFIG_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS) << name;
    RegCloseKey(key);
}

std::string Described(const SS_Data& data)
{
    std::ostringstream text;
    for (const FieldInfo& field : Fields)
        text << field.Name << '=' << std::hex << FieldBits(data, field) << ' ';
    return text.str();
}

WindowScene::WindowScene(const unsigned char* sprite, int width, int height)
    : Width(width), Height(height), Window(CreateWindowA("STATIC", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr)),
      Scene(std::make_unique<OGLSCENE>())
{
    const std::vector<unsigned char> plain(SPRITE_TEXELS, 255);
    Scene->Create(Window, sprite ? sprite : plain.data());
    Scene->Resize(static_cast<float>(width), static_cast<float>(height));
}

std::vector<std::uint8_t> DrawnFrame(OGLSCENE& scene, int width, int height)
{
    DrawFrame(scene);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void RunSaver(const char* mode, const std::function<bool(HWND saver)>& step, SIZE hostSize)
{
    std::string tail = mode;
    host = nullptr;
    if (tail == "/p") {
        host = CreateWindowA("STATIC", "host", WS_POPUP | WS_VISIBLE, 40, 40, hostSize.cx, hostSize.cy, nullptr, nullptr, nullptr, nullptr);
        tail += " " + HandleText(host);
    }
    std::tie(saverStep, stepped) = std::tuple{step, false};
    FrameDisplay = {WindowsDisplayClock, CountFrame, PresentCounted};
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, StepOnceDrawn);
    EXPECT_EQ(ScreenSaverMain(GetModuleHandleA(nullptr), tail.c_str()), 0);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(stepped) << "the saver ended before its step could run";
}

void On(const char* caption, std::function<void(HWND)> action) { pending.emplace_back(caption, std::move(action)); }

void RunConfiguration(std::string tail)
{
    // Tests run side by side, and a dialog owned by another's foreground window would go with it.
    static HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    if (tail.empty())
        tail = "/c:" + HandleText(owner);
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, RunNextAction);
    EXPECT_EQ(ScreenSaverMain(GetModuleHandleA(nullptr), tail.c_str()), 0);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(pending.empty()) << "actions left for " << pending.front().first;
    pending.clear();
}
