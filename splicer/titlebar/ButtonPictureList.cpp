#include "titlebar/ButtonPictureList.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {

QImage render(const QString& path, int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QSvgRenderer svg(path);
    QPainter p(&img);
    svg.render(&p, QRectF(0, 0, size, size));
    return img;
}

} // namespace

ButtonPictureList::ButtonPictureList(const QString& glyph, int size) {
    static const char* const states[] = {"hover", "normal", "disabled"};
    for (int style = 0; style <= 2; ++style)
        for (int state = Hover; state <= Disabled; ++state)
            pictures_[index(style, state)] =
                render(QStringLiteral(":/titlebar/pictures/%1%2-%3.svg")
                           .arg(glyph)
                           .arg(style)
                           .arg(QString::fromLatin1(states[state - 1])),
                       size);
}

QImage ButtonPictureList::picture(int index) const {
    const auto it = pictures_.find(index);
    return it == pictures_.end() ? QImage() : it->second;
}
