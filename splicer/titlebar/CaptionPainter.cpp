#include "titlebar/CaptionPainter.h"

#include "titlebar/OleColor.h"
#include "titlebar/Rounding.h"

#include <QFontMetrics>
#include <QPainter>

using titlebar::cint;

std::uint32_t CaptionPainter::outlineColour(bool captionBorder, std::uint32_t borderColour) {
    return captionBorder ? (OleColor::rgb(0, 0, 1) | borderColour) : 0;
}

int CaptionPainter::effectiveDepth(int depth, std::uint32_t outline) {
    return depth > 0 && outline != 0 ? depth + 1 : depth;
}

std::vector<QPoint> CaptionPainter::layerOffsets(int i, bool top, bool bottom, bool left,
                                                 bool right) {
    std::vector<QPoint> out;
    if (top && bottom && left && right) {
        for (int j = -i; j <= i; ++j) {
            out.emplace_back(j, i);
            out.emplace_back(j, -i);
            out.emplace_back(i, j);
            out.emplace_back(-i, j);
        }
    } else if (bottom && right) {
        out.emplace_back(i, i);
    } else if (top && left) {
        out.emplace_back(-i, -i);
    } else {
        if (bottom) {
            out.emplace_back(0, i);
        }
        if (top) {
            out.emplace_back(0, -i);
        }
        if (right) {
            out.emplace_back(i, 0);
        }
        if (left) {
            out.emplace_back(-i, 0);
        }
    }
    return out;
}

std::uint32_t CaptionPainter::layerColour(std::uint32_t farC, std::uint32_t nearC, int D, int i) {
    const auto mix = [&](int f, int n) {
        return cint(double(f) / D * i + double(n) / D * (D - i));
    };
    return OleColor::rgb(mix(OleColor::red(farC), OleColor::red(nearC)),
                         mix(OleColor::green(farC), OleColor::green(nearC)),
                         mix(OleColor::blue(farC), OleColor::blue(nearC)));
}

int CaptionPainter::cellHeight(const QFont& surfaceFont) {
    double points = surfaceFont.pointSizeF();
    if (points <= 0) {
        points = surfaceFont.pixelSize() * 0.75;
    }
    return std::max(1, cint(cint(points) * 1.5));
}

QFont CaptionPainter::captionFont(const QFont& surfaceFont, bool front) {
    const int cell = cellHeight(surfaceFont);
    QFont f(surfaceFont.family());
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    f.setWeight(front && surfaceFont.bold() ? QFont::ExtraBold : QFont::Normal);
    f.setStyleStrategy(front ? QFont::PreferAntialias : QFont::NoAntialias);
    // A cell height, not an em size: scale the pixel size until ascent + descent fill it.
    f.setPixelSize(cell);
    const int measured = QFontMetrics(f).height();
    if (measured > 0 && measured != cell) {
        f.setPixelSize(std::max(1, cint(double(cell) * cell / measured)));
    }
    return f;
}

QSize CaptionPainter::measure(const QString& text, const QFont& surfaceFont) {
    const QFont f = captionFont(surfaceFont, true);
    const QFontMetrics fm(f);
    return {fm.horizontalAdvance(text), cellHeight(surfaceFont)};
}

void CaptionPainter::paint(QImage& surface, QPoint origin, const Caption& c) {
    if (c.text.isEmpty()) {
        return;
    }
    QPainter p(&surface);
    const QFont layerFont = captionFont(c.surfaceFont, false);
    const QFont frontFont = captionFont(c.surfaceFont, true);
    const auto draw = [&](const QFont& f, QPoint at, std::uint32_t colour) {
        p.setFont(f);
        p.setPen(OleColor::toQColor(colour));
        const int cell = cellHeight(c.surfaceFont);
        const QFontMetrics fm(f);
        // The text cell's top is at 'at'; centre the font's own height inside the cell.
        const int baseline = at.y() + (cell - fm.height()) / 2 + fm.ascent();
        p.drawText(QPoint(at.x(), baseline), c.text);
    };
    p.setRenderHint(QPainter::TextAntialiasing, false);
    for (int i = c.depth; i >= 1; --i) {
        const std::uint32_t colour = layerColour(c.farColour, c.nearColour, c.depth, i);
        for (const QPoint d : layerOffsets(i, c.top, c.bottom, c.left, c.right)) {
            draw(layerFont, origin + d, colour);
        }
    }
    p.setRenderHint(QPainter::TextAntialiasing, true);
    if (c.outline != 0) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (dx != 0 || dy != 0) {
                    draw(frontFont, origin + QPoint(dx, dy), c.outline);
                }
            }
        }
    }
    draw(frontFont, origin, c.textColour);
}
