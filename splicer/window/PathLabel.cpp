#include "window/PathLabel.h"

PathLabel::PathLabel(QWidget* parent) : QLabel(parent) {
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void PathLabel::setPath(const QString& path) {
    path_ = path;
    // A zero-width space after each separator gives the wrapping its places to break.
    QString shown = path;
    shown.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
    setText(shown);
    setToolTip(path);
}
