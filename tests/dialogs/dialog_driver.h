// Drives the real dialogs from inside their own modal loops. A test queues
// actions, each for the dialog with a given caption; a thread timer runs each
// one as soon as that dialog is shown and enabled (a dialog is disabled while
// a box it owns is open). The actions talk to the controls with messages.
#pragma once

#include "settings/settings.h"
#include "tests/support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

using DialogAction = std::function<void(HWND dialog)>;

extern const char CONFIGURE_CAPTION[];
extern const char DEFAULTS_CAPTION[];
extern const char ABOUT_CAPTION[];

// The configuration dialog as the screen-saver library runs it: classes
// registered first, template from this program, owned by nobody. Returns the
// dialog's result once it has ended. Actions left over, a dialog that never
// opens or one left open fail the test.
INT_PTR RunConfiguration();
INT_PTR RunDialog(int templateId, DLGPROC procedure);

// Queues an action; actions run in the order queued.
void On(const char* caption, DialogAction action);

// Input, as the user gives it.
void Press(HWND dialog, int id);  // posted, so that a box it opens runs its own loop
void Tick(HWND dialog, int id);   // toggles a tick box or selects a radio button
void PressKey(HWND dialog, WPARAM key);  // Enter or Escape, with no button focused
// Moves a trackbar and lets it repaint, which is when it notifies the dialog.
void Slide(HWND dialog, int id, int position);

int Position(HWND dialog, int id);
bool IsTicked(HWND dialog, int id);
std::string Text(HWND dialog, int id);

// The picture's pixels must stand in the control's client area from (1, 1), unscaled,
// as far as the control's frame leaves them to be seen.
void ExpectPictureInside(HWND control, HBITMAP picture);

// Each test is a fresh configuration process: its own registry, and an
// ActualData that nothing has read yet.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { ActualData = SS_Data{}; }

    // Through the store itself, leaving ActualData as it found it.
    static void Store(const SS_Data& data);
    static void StoreValue(const char* name, DWORD bits);
    // The registry's 22 values, each required to be a DWORD.
    static SS_Data Stored();

    RegistrySandbox sandbox_;
};

// Differs from the defaults in every field and passes through the controls unchanged.
SS_Data EditableRecord();
