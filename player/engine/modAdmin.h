#pragma once
// The running time shown in lblCount: "mm:ss:ff".

#include <QChar>
#include <QString>

namespace modAdmin {

// Uses the user's decimal separator.
QString FormatPlayTime(const double& Seconds);
QString FormatPlayTime(double Seconds, QChar decimalSeparator);

} // namespace modAdmin
