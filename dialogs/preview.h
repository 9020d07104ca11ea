// The configuration dialog's preview pane: the saver itself, run as a preview
// in a process of its own, shows the settings that the controls hold.
#pragma once

#include <windows.h>

// Registers the pane's window class, PREVIEW_PANE_CLASS. True when the class is
// there, registered now or before.
bool RegisterPreviewPane(HINSTANCE instance);

// Starts the preview inside the pane; the dialog's controls must hold the
// settings by then, since the preview asks for them as soon as it runs.
void StartPreview(HWND pane);
// Tells the preview when what the controls show is not what it was given.
void PreviewFollows(HWND hDlg);

// The program that runs the preview: this one, unless a test names another.
extern const wchar_t* PreviewProgram;
