#include "titlebar/ButtonImage.h"

#include <QMouseEvent>
#include <QPainter>

ButtonImage::ButtonImage(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    resize(16, 16);
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
