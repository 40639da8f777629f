#include "marks/StripMath.h"

#include "base/Runtime.h"
#include "models/MarkPosition.h"

#include <algorithm>
#include <cmath>

namespace StripMath {

std::optional<double> parsePosition(const QString& positionText) {
    return MarkPosition::parse(positionText);
}

double positionValue(const QString& text) {
    const auto v = parsePosition(text);
    if (!v) {
        throw RuntimeError(13, QStringLiteral("Type mismatch"));
    }
    return *v;
}

int16_t computeScale(double durationSeconds, double stripWidthTwips) {
    const int16_t d = nearestInt16(durationSeconds);
    const int16_t w = nearestInt16(stripWidthTwips);
    if (d == 0) {
        throw RuntimeError(errDivisionByZero, QStringLiteral("Division by zero"));
    }
    return nearestInt16(static_cast<double>(w) / d);
}

int16_t xFromPositionText(const QString& positionText, int16_t scale) {
    return mul16(nearestInt16(positionValue(positionText)), scale);
}

int16_t xFromPlayer(double positionSeconds, int16_t scale) {
    return nearestInt16(positionSeconds * scale);
}

float nudgeLeft(int16_t x) {
    return static_cast<float>(x) - static_cast<float>(kNudgeWidth) / 2.0f;
}

int16_t clampedXFromPositionText(const QString& positionText, int16_t scale) {
    const double x = std::nearbyint(positionValue(positionText)) * scale;
    return static_cast<int16_t>(std::clamp(x, -32768.0, 32767.0));
}

QString wholeSecondsText(const QString& positionText) {
    // Positions are written with the user's decimal separator, and a store may come from a
    // user with the other one; positions have no digit grouping, so either ends the seconds.
    qsizetype cut = -1;
    for (const QChar separator : {QChar(u'.'), QChar(u','), userDecimalSeparator()}) {
        const qsizetype at = positionText.indexOf(separator);
        if (at >= 0 && (cut < 0 || at < cut)) {
            cut = at;
        }
    }
    return cut < 0 ? positionText : positionText.left(cut);
}

} // namespace StripMath
