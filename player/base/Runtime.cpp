#include "base/Runtime.h"

#include <QLocale>

#include <cmath>
#include <limits>

RuntimeError::RuntimeError(int number, const QString& description)
    : std::runtime_error(description.toStdString()), m_number(number), m_description(description) {}

namespace {

template <typename T> T nearest(double v) {
    if (std::isnan(v)) {
        throw RuntimeError(errOverflow, QStringLiteral("Overflow"));
    }
    const double r = std::nearbyint(v); // the default rounding mode: halves to even
    if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max())) {
        throw RuntimeError(errOverflow, QStringLiteral("Overflow"));
    }
    return static_cast<T>(r);
}

int16_t checked16(int32_t v) {
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) {
        throw RuntimeError(errOverflow, QStringLiteral("Overflow"));
    }
    return static_cast<int16_t>(v);
}

} // namespace

int16_t nearestInt16(double v) {
    return nearest<int16_t>(v);
}
int32_t nearestInt32(double v) {
    return nearest<int32_t>(v);
}

int16_t mul16(int16_t a, int16_t b) {
    return checked16(int32_t{a} * int32_t{b});
}
int16_t add16(int16_t a, int16_t b) {
    return checked16(int32_t{a} + int32_t{b});
}

QChar userDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QChar('.') : point.at(0);
}

QString numberText(double v) {
    return numberText(v, userDecimalSeparator());
}

QString numberText(double v, QChar decimalSeparator) {
    if (v == 0.0) {
        return QStringLiteral("0");
    }
    QString text = QString::number(v, 'g', 15);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        // "1e-05" becomes "1E-05"; "1e+15" becomes "1E+15".
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        const QChar sign = exponent.at(0);
        QString digits = exponent.mid(1);
        while (digits.size() < 2) {
            digits.prepend(QLatin1Char('0'));
        }
        text = mantissa + QLatin1Char('E') + sign + digits;
    }
    if (decimalSeparator != QLatin1Char('.')) {
        text.replace(QLatin1Char('.'), decimalSeparator);
    }
    return text;
}

std::optional<double> parseNumber(const QString& text) {
    return parseNumber(text, userDecimalSeparator());
}

std::optional<double> parseNumber(const QString& text, QChar decimalSeparator) {
    QString t = text.trimmed();
    if (t.isEmpty()) {
        return std::nullopt;
    }
    if (decimalSeparator != QLatin1Char('.')) {
        t.replace(decimalSeparator, QLatin1Char('.'));
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return v;
}
