#pragma once
// The arithmetic of the mark strip, in twips and 16-bit integers as the strip uses them.
// Every conversion and product outside the 16-bit range raises errOverflow.

#include <QString>

#include <cstdint>
#include <optional>

namespace StripMath {

constexpr int kTwipsPerPixel = 15;
constexpr int16_t kNudgeWidth = 240; // twips

// A stored position as seconds, whichever decimal separator it was written with ("83.5" or
// "83,5": a store can come from a user of another locale); no digit grouping, so "1,234" is
// 1.234 s. Nothing for text that is no finite number.
std::optional<double> parsePosition(const QString& positionText);

// A mark's position text as seconds; text that is not a number raises a type mismatch (13).
double positionValue(const QString& positionText);

// nearest(width / nearest(duration)); a duration that rounds to 0 raises errDivisionByZero.
int16_t computeScale(double durationSeconds, double stripWidthTwips);

// x of a mark from its stored position text: whole seconds first, then times the scale.
int16_t xFromPositionText(const QString& positionText, int16_t scale);

// x of a mark set at the player's position: the product is converted, not the position.
int16_t xFromPlayer(double positionSeconds, int16_t scale);

// Left edge of a nudge button centred on the line at x (single precision, as the strip does).
float nudgeLeft(int16_t x);

// The same x clamped to the 16-bit range instead of raising, for moves the user makes far
// past the ends of the track.
int16_t clampedXFromPositionText(const QString& positionText, int16_t scale);

// Whole seconds of a position text for the position label: the text before the first "." or
// "," (or the user's decimal separator).
QString wholeSecondsText(const QString& positionText);

} // namespace StripMath
