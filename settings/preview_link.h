// How the configuration dialog hands the settings it shows to the preview that
// runs in its pane, a process of its own. The preview asks its host window with
// PreviewMessages().Ask, its own window in wParam; the host answers at once by
// sending it WM_COPYDATA with the record as its registry values. The host posts
// PreviewMessages().Changed to the preview when it has another record to give.
#pragma once

#include "settings/settings.h"

#include <windows.h>


struct PreviewMessageIds {
    UINT Ask, Changed;
};
// Registered by name, so that no other program's window takes them for its own.
const PreviewMessageIds& PreviewMessages();

// Marks a WM_COPYDATA as the settings.
constexpr ULONG_PTR SETTINGS_COPY_TAG = 0x4E696D31;  // "Nim1"

// A record from a WM_COPYDATA, taken as values read from the registry are: each
// field as stored, not checked. False, with data untouched, unless the copy is
// tagged as the settings and holds exactly their values.
bool RecordFromCopy(const COPYDATASTRUCT& copy, SS_Data& data);
