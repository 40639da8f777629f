#include "window/PathLabel.h"

#include <algorithm>

PathLabel::PathLabel(QWidget* parent) : QLabel(parent) {
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void PathLabel::setPath(const QString& path) {
    m_path = path;
    // A zero-width space after each separator gives the wrapping its places to break.
    QString shown = path;
    shown.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
    setText(shown);
    setToolTip(path);
    nameForScreenReader();
    updateGeometry();
}

void PathLabel::setCaption(const QString& caption) {
    m_caption = caption;
    nameForScreenReader();
}

// The path as it is, without the breaks put in for wrapping.
void PathLabel::nameForScreenReader() {
    setAccessibleName(m_caption.isEmpty() ? m_path : m_caption + QStringLiteral(": ") + m_path);
}

QSize PathLabel::sizeHint() const {
    return minimumSizeHint();
}

QSize PathLabel::minimumSizeHint() const {
    const int lineHeight = fontMetrics().height();
    const int h = width() > 0 ? heightForWidth(width()) : lineHeight;
    return {0, std::max(h, lineHeight)};
}

void PathLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (heightForWidth(width()) != height()) {
        updateGeometry();
    }
}
