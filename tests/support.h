// What the tests share. Every test process gets a private HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER (fresh keys under the real HKEY_CURRENT_USER stand in for
// them), so that tests running side by side never see each other's settings.
#pragma once

#include "dialogs/controls.h"
#include "dialogs/dialogs.h"
#include "dialogs/preview.h"
#include "resources/resource.h"
#include "saver/saver.h"
#include "scene/oglscene.h"
#include "scene/rules.h"
#include "scrnsave/closing.h"
#include "scrnsave/command_line.h"
#include "scrnsave/pacing.h"
#include "scrnsave/scrnsave.h"
#include "settings/preview_link.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <GL/glext.h>
#include <commctrl.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// A handle as a command line gives it.
inline std::string HandleText(const void* handle) { return std::to_string(reinterpret_cast<std::uintptr_t>(handle)); }
// The handle of a window that is gone, which names no window.
inline HWND GoneWindow() { HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr); DestroyWindow(window); return window; }

// A value of the settings for everyone, or of the user's own.
void StoreSetting(const char* name, DWORD type, const void* data, DWORD size, HKEY root = HKEY_LOCAL_MACHINE);
inline void StoreSetting(const char* name, DWORD value, HKEY root = HKEY_LOCAL_MACHINE) { StoreSetting(name, REG_DWORD, &value, sizeof value, root); }
inline bool HasKey(HKEY root) { HKEY key; const bool found = RegOpenKeyExA(root, CONFIG_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS; if (found) RegCloseKey(key); return found; }
inline void StoreRecord(const SS_Data& data) { ActualData = data; EXPECT_TRUE(WriteConfig()); }
// What a saver starting now would read.
inline SS_Data StoredRecord() { ReadConfig(); return ActualData; }
inline std::uint32_t Bits(float value) { std::uint32_t bits; std::memcpy(&bits, &value, sizeof bits); return bits; }
inline const FieldInfo& FieldNamed(const std::string& name) { return *std::find_if(std::begin(Fields), std::end(Fields), [&](const FieldInfo& field) { return name == field.Name; }); }
// Every field's bits, by name, for comparing records.
std::string Described(const SS_Data& data);
// Differs from the defaults in every field, and the dialog's controls show it exactly.
inline SS_Data DistinctRecord() { return {1, 2, 3, 0.0f, 1.0f, 0.0f, 0, 0, 1, 0.29f, 0, 700.0f, 20.0f, 1, 1234, 0.57f, 0.75f, 1.0f, 1, 1, 1, 0.26f}; }
// Settings that draw count white points of the given size at the centre, untinted.
inline SS_Data WhitePoints(std::int32_t count, float size) { return {0, 0, 0, 1, 1, 1, 0, 0, 0, 0.25f, 0, size, 300, 2, count, 0.25f, 0.25f, 0.25f, 0, 0, 0, 0}; }

// The CPU time that this thread has taken, in seconds.
inline double ThreadSeconds() { FILETIME t[4]; GetThreadTimes(GetCurrentThread(), &t[0], &t[1], &t[2], &t[3]); return (t[2].dwLowDateTime + t[3].dwLowDateTime + 4294967296.0 * (t[2].dwHighDateTime + t[3].dwHighDateTime)) / 1e7; }
// The halo's 64 x 64 grey levels, from the program's own bitmap.
inline std::vector<unsigned char> Halo() { std::vector<unsigned char> sprite(SPRITE_TEXELS), bits(4 * SPRITE_TEXELS); EXPECT_TRUE(LoadHaloSprite(GetModuleHandleA(nullptr), sprite.data(), bits.data())); return sprite; }

// Draws a frame of the scene and reads it back: RGB rows from the bottom up.
std::vector<std::uint8_t> DrawnFrame(OGLSCENE& scene, int width, int height);

// A scene with its context current, in a hidden window; its sprite is all 255 unless one is given.
struct WindowScene {
    explicit WindowScene(const unsigned char* sprite = nullptr, int width = 128, int height = 128);
    ~WindowScene() { Scene->Destroy(Window); DestroyWindow(Window); }
    OGLSCENE* operator->() { return Scene.get(); }
    OGLSCENE& operator*() { return *Scene; }
    std::vector<std::uint8_t> Frame() { return DrawnFrame(*Scene, Width, Height); }

    int Width, Height;
    HWND Window;
    std::unique_ptr<OGLSCENE> Scene;
};

// Runs the saver in this process: "/s" full screen, or "/p" in preview inside a
// host window of the given size. Once it has drawn a frame, runs the step with the
// saver's window every 50 ms until the step says it is done, then ends the saver
// by closing the window or the host.
void RunSaver(const char* mode, const std::function<bool(HWND saver)>& step, SIZE hostSize = {320, 240});
// From the first step on, the frames that the saver draws, and the time of the slowest; OnAsk runs as each is asked for.
struct SaverFrames { int Drawn = 0; double Slowest = 0; std::function<void()> OnAsk; };
extern SaverFrames frames;
// The frame that the saver's scene draws now.
inline std::vector<std::uint8_t> SaverPixels(HWND saver) { RECT client; GetClientRect(saver, &client); return DrawnFrame(GLScene, client.right, client.bottom); }

// Drives the real configuration dialog from inside its modal loops. Each action
// runs as soon as the dialog with its caption is shown and enabled.
extern const char CONFIGURE[], DEFAULTS[], ABOUT[];
void On(const char* caption, std::function<void(HWND dialog)> action);
// Runs the screen-saver library with this command-line tail until the dialog
// ends; with none, the dialog is owned by a window of the test.
void RunConfiguration(std::string tail = "");
inline void Press(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }  // posted: a box it opens runs its own loop
inline void Tick(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline void PressKey(HWND dialog, WPARAM key) { PostMessageA(dialog, WM_KEYDOWN, key, 0); }
// Moves a trackbar and lets it repaint, which is when it notifies the dialog.
inline void Slide(HWND dialog, int id, int position) { SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position); UpdateWindow(GetDlgItem(dialog, id)); }
inline int Position(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0)); }
inline bool IsTicked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline std::string Text(HWND dialog, int id) { char text[256] = ""; GetDlgItemTextA(dialog, id, text, sizeof text); return text; }