#pragma once
// Label files as sound editors exchange them: one label a line, "start<TAB>end<TAB>text", the
// times in seconds with "." as the decimal point. A mark becomes a point label (start = end)
// whose text is the mark's number followed by its note, such as "3 Bridge entry".

#include <QByteArray>
#include <QList>
#include <QString>

struct Label {
    double start = 0;
    double end = 0;
    QString text;
};

class LabelFile {
public:
    // Larger files are refused unread: no label file of a track comes near this.
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

    // The file's text; six decimals keep every time to the microsecond.
    static QByteArray format(const QList<Label>& labels);

    struct Parsed {
        QList<Label> labels;
        // Empty when the text is a label file; otherwise what is wrong with it, for the user.
        QString error;
    };
    // Blank lines and the frequency lines that follow a label ("\<TAB>low<TAB>high") are
    // skipped; a comma is read as a decimal point too.
    static Parsed parse(const QByteArray& bytes);

    static QString labelText(int markNumber, const QString& note);
    // The note of a label: its text without a leading mark number.
    static QString noteOf(const QString& labelText);
};
