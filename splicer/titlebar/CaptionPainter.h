#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

// The caption: the text extruded in layers from a far colour towards a near one, an
// optional one-pixel outline, and the text itself in front.
class CaptionPainter {
public:
    struct Caption {
        QString text;
        QFont surfaceFont;
        int depth = 2; // layers of extrusion, after effectiveDepth()
        bool top = false, bottom = true, left = false, right = true;
        std::uint32_t outline = 0;    // 0 = none; otherwise a plain RGB value
        std::uint32_t farColour = 0;  // deepest layer
        std::uint32_t nearColour = 0; // towards the front
        std::uint32_t textColour = 0;
    };

    // The outline colour: RGB(0,0,1) OR'ed in, so that even black counts as an outline.
    static std::uint32_t outlineColour(bool captionBorder, std::uint32_t borderColour);
    // An outline takes one more layer of depth so that it does not cover the extrusion.
    static int effectiveDepth(int depth, std::uint32_t outline);

    // Offsets of the text copies at depth i, by the first rule that applies: all four
    // directions make a square ring; bottom and right one diagonal copy to the lower
    // right; top and left one to the upper left; otherwise one copy per direction set.
    static std::vector<QPoint> layerOffsets(int i, bool top, bool bottom, bool left, bool right);
    // The colour of layer i of D: the far colour at i = D, nearing the near colour at 1.
    static std::uint32_t layerColour(std::uint32_t farColour, std::uint32_t nearColour, int D,
                                     int i);

    // The font a caption is drawn in: the surface font's face, its point size rounded and
    // taken 1.5 times as the height of a text cell in pixels. The extrusion layers are not
    // anti-aliased; the front text is, and bold when the surface font is.
    static QFont captionFont(const QFont& surfaceFont, bool front);
    static int cellHeight(const QFont& surfaceFont);
    static QSize measure(const QString& text, const QFont& surfaceFont);

    static void paint(QImage& surface, QPoint origin, const Caption& caption);
};
