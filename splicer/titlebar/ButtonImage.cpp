#include "titlebar/ButtonImage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ButtonImage::ButtonImage(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    // Tab reaches the button, a click does not take the focus from where the user works.
    setFocusPolicy(Qt::TabFocus);
    resize(16, 16);
}

void ButtonImage::setUsable(bool usable) {
    m_usable = usable;
    setFocusPolicy(usable ? Qt::TabFocus : Qt::NoFocus);
}

void ButtonImage::trigger() {
    if (m_usable) {
        emit triggered();
    }
}

void ButtonImage::setPicture(int index, const QImage& picture) {
    m_index = index;
    m_picture = picture;
    if (!picture.isNull()) {
        resize(picture.deviceIndependentSize().toSize());
    }
    update();
}

void ButtonImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_picture);
}

void ButtonImage::mousePressEvent(QMouseEvent* e) {
    emit pressed(e->button());
}

void ButtonImage::mouseMoveEvent(QMouseEvent*) {
    emit moved();
}

void ButtonImage::leaveEvent(QEvent*) {
    emit left();
}

void ButtonImage::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) {
            // A held key would otherwise maximise and restore the window over and over.
            if (!e->isAutoRepeat()) {
                trigger();
            }
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(e);
}
