#include "dialogs/controls.h"

namespace {

// A float times 255 or 100 needs at most 32 significant bits, so the double
// product is exact; rounding it first would move a value such as 0.5 x 255 up.
double Shown(const SS_Data& data, const FieldInfo& field)
{
    const double value = FieldValue(data, field);
    switch (field.Control) {
    case ControlKind::InvertedTrackbar:
        return field.Low + field.High - value;
    case ControlKind::Trackbar255:
        return value * 255;
    case ControlKind::Trackbar100:
        return value * 100;
    default:
        return value;
    }
}

}  // namespace

bool IsTrackbar(const FieldInfo& field)
{
    return field.Control != ControlKind::TickBox && field.Control != ControlKind::RadioButtons;
}

double PositionValue(const FieldInfo& field, int position)
{
    // Float division of exact operands gives the nearest float to the true quotient.
    const float whole = static_cast<float>(position);
    switch (field.Control) {
    case ControlKind::InvertedTrackbar:
        return field.Low + field.High - position;
    case ControlKind::Trackbar255:
        return whole / 255.0f;
    case ControlKind::Trackbar100:
        return whole / 100.0f;
    default:
        return position;
    }
}

int TrackbarPosition(const SS_Data& data, const FieldInfo& field)
{
    // Bounded before the conversion: converting a double outside int's range is undefined.
    const double shown = Shown(data, field);
    if (!(shown > field.Low))
        return field.Low;
    if (shown >= field.High)
        return field.High;
    // The float nearest to p / 100 often lies just below it, and its product then
    // truncates to p - 1; a value that position p stored shows at p again.
    const int truncated = static_cast<int>(shown);
    if (FieldValue(data, field) == PositionValue(field, truncated + 1))
        return truncated + 1;
    return truncated;
}

void StoreTrackbarPosition(SS_Data& data, const FieldInfo& field, int position)
{
    SetFieldValue(data, field, PositionValue(field, position));
}

// At a gap of exactly SIZE_GAP nothing moves: the slider would be set where it
// already is, and each setting repaints it, which notifies again.
std::optional<int> MinimumAfterMaximumMoved(int maximum, int minimum)
{
    if (minimum > maximum - SIZE_GAP)
        return maximum - SIZE_GAP;
    return std::nullopt;
}

std::optional<int> MaximumAfterMinimumMoved(int maximum, int minimum)
{
    if (minimum + SIZE_GAP > maximum)
        return minimum + SIZE_GAP;
    return std::nullopt;
}
