#include "marks/MarkSpeech.h"

#include "marks/StripMath.h"

#include <QStringList>

#include <cmath>

namespace MarkSpeech {

namespace {

QString count(qint64 n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// The key that goes to mark `number`: 1 to 9, and 0 for mark 10.
QString digitKey(int number) {
    return QString::number(number % 10);
}

QString withNote(QString text, const QString& note) {
    if (!note.isEmpty()) {
        text += QStringLiteral(", note: ") + note;
    }
    return text;
}

} // namespace

QString spokenTime(double seconds) {
    if (!std::isfinite(seconds)) {
        return QStringLiteral("0 seconds");
    }
    const bool negative = seconds < 0;
    // Tenths, rounded once, so 59.96 s is "1 minute" and not "60 seconds".
    const auto tenths = static_cast<qint64>(std::llround(std::fabs(seconds) * 10.0));
    const qint64 hours = tenths / 36000;
    const qint64 minutes = tenths / 600 % 60;
    const qint64 secondTenths = tenths % 600;

    QStringList parts;
    if (hours > 0) {
        parts << count(hours, "hour", "hours");
    }
    if (minutes > 0) {
        parts << count(minutes, "minute", "minutes");
    }
    if (secondTenths > 0 || parts.isEmpty()) {
        QString number = QString::number(secondTenths / 10);
        if (secondTenths % 10 != 0) {
            number += QLatin1Char('.') + QString::number(secondTenths % 10);
        }
        parts << number +
                     (secondTenths == 10 ? QStringLiteral(" second") : QStringLiteral(" seconds"));
    }
    QString text = parts.join(QLatin1Char(' '));
    if (negative && tenths > 0) {
        text.prepend(QStringLiteral("minus "));
    }
    return text;
}

QString spokenPosition(const QString& positionText) {
    const auto seconds = StripMath::parsePosition(positionText);
    return seconds ? spokenTime(*seconds) : QStringLiteral("an unknown time");
}

QString buttonName(int number, Shown shown, const QString& positionText, const QString& note) {
    QString text = QStringLiteral("Mark %1").arg(number);
    switch (shown) {
    case Shown::NotSet:
        text += QStringLiteral(", not set");
        break;
    case Shown::Set:
        text += QStringLiteral(", set at ") + spokenPosition(positionText);
        break;
    case Shown::Current:
        text += QStringLiteral(", current, set at ") + spokenPosition(positionText);
        break;
    }
    return withNote(text, note);
}

QString buttonDescription(int number) {
    const QString key = digitKey(number);
    return QStringLiteral("%1 goes to it, Ctrl+%1 sets it here, Alt+%1 clears it; the Menu key "
                          "lists all it does, with its note and nudges")
        .arg(key);
}

QString wentTo(int number, const QString& positionText, const QString& note) {
    return withNote(
        QStringLiteral("Went to mark %1 at %2").arg(number).arg(spokenPosition(positionText)),
        note);
}

QString set(int number, const QString& positionText) {
    return QStringLiteral("Mark %1 set at %2").arg(number).arg(spokenPosition(positionText));
}

QString setOnBar(int number, int bar, const QString& positionText) {
    return QStringLiteral("Mark %1 set at bar %2, %3")
        .arg(number)
        .arg(bar)
        .arg(spokenPosition(positionText));
}

QString cleared(int number) {
    return QStringLiteral("Mark %1 cleared").arg(number);
}

QString allCleared() {
    return QStringLiteral("All marks cleared");
}

QString nudged(int number, const QString& positionText) {
    return QStringLiteral("Mark %1 moved to %2").arg(number).arg(spokenPosition(positionText));
}

QString noted(int number, const QString& note) {
    return QStringLiteral("Note for mark %1: %2").arg(number).arg(note);
}

QString putBack() {
    return QStringLiteral("Cleared marks put back");
}

} // namespace MarkSpeech
