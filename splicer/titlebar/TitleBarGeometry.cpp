#include "titlebar/TitleBarGeometry.h"

#include "titlebar/Rounding.h"

using titlebar::cint;
using titlebar::fix;

const TitleBarGeometry::Button& TitleBarGeometry::Buttons::operator[](TitleButton b) const {
    switch (b) {
    case TitleButton::Close:
        return close;
    case TitleButton::Maximize:
        return maximize;
    case TitleButton::Minimize:
        break;
    }
    return minimize;
}

TitleBarGeometry::Button& TitleBarGeometry::Buttons::operator[](TitleButton b) {
    return const_cast<Button&>(static_cast<const Buttons&>(*this)[b]);
}

void TitleBarGeometry::layoutButtons(Buttons& b, int W, int SH, std::int16_t style) {
    int m = 3;
    int t = 0;
    if (style == 13) {
        m = b.close.rect.width();
        t = 2;
    } else if (style == 14) {
        m = 6;
        t = 2;
    }
    const auto top = [&](const QRect& r) { return cint((SH - r.height()) / 2.0 + t); };
    int x = W;
    if (b.close.shown) {
        QRect& r = b.close.rect;
        r.moveTo(x - r.width() - 3 - m, top(r));
        x = r.left();
        m = 3;
    }
    if (b.maximize.shown) {
        QRect& r = b.maximize.rect;
        r.moveTo(x - r.width() - 3 - m, top(r));
        x = r.left();
    }
    if (b.minimize.shown) {
        QRect& r = b.minimize.rect;
        r.moveTo(x - r.width() - 6, top(r));
    }
}

std::optional<TitleButton> TitleBarGeometry::buttonAt(const Buttons& buttons, QPointF p) {
    for (TitleButton id : {TitleButton::Close, TitleButton::Minimize, TitleButton::Maximize}) {
        const Button& b = buttons[id];
        const QRect& r = b.rect;
        if (b.shown && r.left() < p.x() && p.x() < r.left() + r.width() && r.top() < p.y() &&
            p.y() < r.top() + r.height()) {
            return id;
        }
    }
    return std::nullopt;
}

bool TitleBarGeometry::pointerInside(QPoint c, int W, int SH) {
    return c.x() >= 0 && c.x() <= W && c.y() >= 0 && c.y() <= SH;
}

std::optional<int> TitleBarGeometry::leftmostButton(const Buttons& buttons) {
    std::optional<int> left;
    for (const Button* b : {&buttons.close, &buttons.maximize, &buttons.minimize}) {
        if (b->shown && (!left || b->rect.left() < *left)) {
            left = b->rect.left();
        }
    }
    return left;
}

QPoint TitleBarGeometry::captionOrigin(const CaptionPlacement& c, int W, int SH, int tw, int th) {
    int x = c.hasIcon ? c.picturePosX + 6 + c.iconWidth : 6;
    int y = 0;
    switch (c.posY) {
    case 0:
        y = cint((SH - th) / 2.0);
        break;
    case 1:
        y = 0;
        break;
    case 2:
        y = fix((SH - th - c.border) / 2.0);
        break;
    case 3:
        y = cint(double(SH) - th - c.border);
        break;
    default:
        break;
    }
    switch (c.posX) {
    case 1:
        x = c.border + 1;
        break;
    case 2:
        x = cint((W - tw) / 2.0);
        break;
    case 3:
        x = cint(double(W) - tw - c.border - 1 - c.depth);
        break;
    default:
        break;
    }
    return {x, y};
}

QPoint TitleBarGeometry::iconPosition(std::int32_t mode, QPoint stored, int W, int SH, QSize icon) {
    QPoint p = stored;
    if (mode == 1 || mode == 3) {
        p.setX(cint((W - icon.width()) / 2.0));
    }
    if (mode == 2 || mode == 3) {
        p.setY(cint((SH - icon.height()) / 2.0));
    }
    return p;
}
