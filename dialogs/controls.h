// How the configuration dialog's controls stand for the settings: conversions
// between fields and trackbar positions, and the rules that tie sliders
// together. No windows here.
#pragma once

#include "settings/settings.h"

#include <optional>
#include <string>

bool IsTrackbar(const FieldInfo& field);

// The field scaled as its table entry says, truncated toward zero and held
// inside the trackbar's range. A value beyond the range, infinite or not a
// number shows at the nearer end; not a number counts as below the range.
int TrackbarPosition(const SS_Data& data, const FieldInfo& field);
// A float field becomes the float nearest to what the position stands for.
void StoreTrackbarPosition(SS_Data& data, const FieldInfo& field, int position);

// The smallest gap, in positions, between the maximum and the minimum point size.
constexpr int SIZE_GAP = 10;
// Where the other size slider must go when one has moved, or nothing when the gap holds.
std::optional<int> MinimumAfterMaximumMoved(int maximum, int minimum);
std::optional<int> MaximumAfterMinimumMoved(int maximum, int minimum);

// What the edit box beside the point-count slider says.
std::string CountText(int position);
