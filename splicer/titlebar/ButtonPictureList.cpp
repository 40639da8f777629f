#include "titlebar/ButtonPictureList.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace {

QImage render(const QString& path, int size, qreal ratio) {
    const int pixels = int(std::ceil(size * ratio));
    QImage img(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QSvgRenderer svg(path);
    QPainter p(&img);
    svg.render(&p, QRectF(0, 0, pixels, pixels));
    p.end();
    img.setDevicePixelRatio(ratio);
    return img;
}

} // namespace

ButtonPictureList::ButtonPictureList(const QString& glyph, int size, qreal ratio) {
    static const char* const states[] = {"hover", "normal", "disabled"};
    for (int style = 0; style <= 2; ++style) {
        for (int state = Hover; state <= Disabled; ++state) {
            m_pictures[index(style, state)] =
                render(QStringLiteral(":/titlebar/pictures/%1%2-%3.svg")
                           .arg(glyph)
                           .arg(style)
                           .arg(QString::fromLatin1(states[state - 1])),
                       size, ratio);
        }
    }
}

QImage ButtonPictureList::picture(int index) const {
    const auto it = m_pictures.find(index);
    return it == m_pictures.end() ? QImage() : it->second;
}
