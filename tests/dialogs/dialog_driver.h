// Drives the real dialogs from inside their own modal loops. A test queues
// actions, each for the dialog with a given caption; a thread timer runs each
// one as soon as that dialog is shown and enabled (a dialog is disabled while
// a box it owns is open).
#pragma once

#include "settings/settings.h"
#include "tests/support/registry_sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

extern const char CONFIGURE_CAPTION[];
extern const char DEFAULTS_CAPTION[];
extern const char ABOUT_CAPTION[];

void On(const char* caption, std::function<void(HWND dialog)> action);
// Runs the configuration dialog as the screen-saver library does, until it
// ends, and returns its result. A dialog that never turns up, or stays open
// when every action has run, aborts the test.
INT_PTR RunConfiguration();

void Press(HWND dialog, int id);  // posted, so that a box it opens runs its own loop
void Tick(HWND dialog, int id);
void PressKey(HWND dialog, WPARAM key);
// Moves a trackbar and lets it repaint, which is when it notifies the dialog.
void Slide(HWND dialog, int id, int position);
int Position(HWND dialog, int id);
bool IsTicked(HWND dialog, int id);
std::string Text(HWND dialog, int id);

// A fresh configuration process: its own registry, and an ActualData that nothing has read.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { ActualData = SS_Data{}; }
    static void Store(const SS_Data& data);
    // The 22 stored values, each required to be a DWORD.
    static SS_Data Stored();

    RegistrySandbox sandbox_;
};

// Differs from the defaults in every field and passes through the controls unchanged.
SS_Data EditableRecord();
