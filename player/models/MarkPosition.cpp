#include "models/MarkPosition.h"

#include "base/Runtime.h"

#include <QLocale>

#include <cmath>

namespace MarkPosition {

std::optional<double> parse(const QString& text) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    t.replace(userDecimalSeparator(), QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = c.toDouble(t, &ok);
    if (!ok || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

} // namespace MarkPosition
