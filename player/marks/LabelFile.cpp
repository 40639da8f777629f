#include "marks/LabelFile.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <cmath>
#include <optional>

namespace {

std::optional<double> seconds(QString text) {
    text = text.trimmed();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    if (!text.contains(QLatin1Char('.'))) {
        text.replace(QLatin1Char(','), QLatin1Char('.'));
    }
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

QString shortened(const QString& line) {
    constexpr int kShown = 60;
    QString shown = line;
    shown.replace(QLatin1Char('\t'), QStringLiteral("  "));
    return shown.size() > kShown ? shown.left(kShown) + QStringLiteral("…") : shown;
}

} // namespace

QByteArray LabelFile::format(const QList<Label>& labels) {
    QByteArray out;
    for (const Label& l : labels) {
        QString text = l.text;
        // One label a line and three fields a label, whatever the note holds.
        text.replace(QRegularExpression(QStringLiteral("[\\t\\r\\n]+")), QStringLiteral(" "));
        out += QByteArray::number(l.start, 'f', 6) + '\t' + QByteArray::number(l.end, 'f', 6) +
               '\t' + text.toUtf8() + '\n';
    }
    return out;
}

LabelFile::Parsed LabelFile::parse(const QByteArray& bytes) {
    Parsed result;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError() || text.contains(QChar(0))) {
        result.error = QStringLiteral("It is not a text file.");
        return result;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool afterLabel = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (n == 0 && line.startsWith(QChar(0xFEFF))) {
            line.remove(0, 1);
        }
        if (line.trimmed().isEmpty()) {
            continue;
        }
        if (afterLabel && line.startsWith(QLatin1Char('\\'))) {
            afterLabel = false;
            continue;
        }
        const QStringList fields = line.split(QLatin1Char('\t'));
        const auto start = fields.size() >= 2 ? seconds(fields[0]) : std::nullopt;
        const auto end = fields.size() >= 2 ? seconds(fields[1]) : std::nullopt;
        QString why;
        if (fields.size() < 2) {
            why = QStringLiteral("a label needs a start and an end time, separated by tabs");
        } else if (!start || !end) {
            why = QStringLiteral("the times are not numbers of seconds");
        } else if (*start < 0) {
            why = QStringLiteral("the start time is before the beginning of the track");
        } else if (*end < *start) {
            why = QStringLiteral("the label ends before it starts");
        }
        if (!why.isEmpty()) {
            result.labels.clear();
            result.error = QStringLiteral("Line %1 is not a label (%2):\n%3")
                               .arg(n + 1)
                               .arg(why, shortened(line));
            return result;
        }
        result.labels.append({*start, *end, fields.mid(2).join(QLatin1Char(' ')).trimmed()});
        afterLabel = true;
    }
    if (result.labels.isEmpty()) {
        result.error = QStringLiteral("It holds no labels.");
    }
    return result;
}

QString LabelFile::labelText(int markNumber, const QString& note) {
    return note.isEmpty() ? QString::number(markNumber)
                          : QString::number(markNumber) + QLatin1Char(' ') + note;
}

QString LabelFile::noteOf(const QString& labelText) {
    static const QRegularExpression numbered(QStringLiteral("^\\s*\\d{1,2}(?:\\s+|$)"));
    const QRegularExpressionMatch m = numbered.match(labelText);
    return (m.hasMatch() ? labelText.mid(m.capturedLength()) : labelText).trimmed();
}
