// How the configuration dialog's controls stand for the settings: conversions
// between fields and trackbar positions, and the rules that tie sliders
// together. No windows here.
#pragma once

#include "settings/settings.h"

#include <optional>

bool IsTrackbar(const FieldInfo& field);

// What a trackbar position stands for; a float field keeps the float nearest to it.
double PositionValue(const FieldInfo& field, int position);
// The field scaled as its table entry says, truncated toward zero and held
// inside the trackbar's range, except that a value that a position stands for
// shows at that position. A value beyond the range, infinite or not a number
// shows at the nearer end; not a number counts as below the range.
int TrackbarPosition(const SS_Data& data, const FieldInfo& field);
void StoreTrackbarPosition(SS_Data& data, const FieldInfo& field, int position);

// The smallest gap, in positions, between the maximum and the minimum point size.
constexpr int SIZE_GAP = 10;
// Where the other size slider must go when one has moved, or nothing when the gap holds.
std::optional<int> MinimumAfterMaximumMoved(int maximum, int minimum);
std::optional<int> MaximumAfterMinimumMoved(int maximum, int minimum);

