#include "window/PictureIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

QIcon PictureIcon::fromSvg(const QString& resource) {
    QSvgRenderer renderer(resource);
    QIcon icon;
    if (!renderer.isValid()) {
        return icon;
    }
    for (int side : {16, 22, 24, 32, 44, 48, 64, 128, 256}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
