#include "engine/modAdmin.h"

#include "base/Runtime.h"

namespace modAdmin {

QString FormatPlayTime(const double& Seconds) {
    return FormatPlayTime(Seconds, userDecimalSeparator());
}

QString FormatPlayTime(double Seconds, QChar decimalSeparator) {
    // Seconds are rounded while the fraction is cut, both from the same value: 59.7 shows as
    // "01:00:7".
    const int32_t whole = nearestInt32(Seconds);
    QString minutes = QString::number((whole % 3600) / 60);
    QString seconds = QString::number(whole % 60);
    if (minutes.size() == 1) {
        minutes.prepend(QLatin1Char('0'));
    }
    if (seconds.size() == 1) {
        seconds.prepend(QLatin1Char('0'));
    }

    // The fraction is the text of the number after its first ".", at most two characters. A
    // value small enough for the exponent form ("1.5E-05") has "00" as its first decimals;
    // taking "5E" from the mantissa would show a plainly wrong time.
    const QString text = numberText(Seconds, decimalSeparator);
    QString fraction = QStringLiteral("00");
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot >= 0 && dot + 1 < text.size() && !text.contains(QLatin1Char('E'))) {
        fraction = text.mid(dot + 1, 2);
    }
    return minutes + QLatin1Char(':') + seconds + QLatin1Char(':') + fraction;
}

} // namespace modAdmin
