#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <optional>

enum class TitleButton { Close, Maximize, Minimize };

// Where the parts of a title bar go, in pixels of its surface (W wide, SH high).
class TitleBarGeometry {
public:
    struct Button {
        QRect rect;
        bool shown = false;
    };
    struct Buttons {
        Button close, maximize, minimize;
        const Button& operator[](TitleButton b) const;
        Button& operator[](TitleButton b);
    };

    // Places the shown buttons from the right edge: close, then maximise, then minimise.
    // Styles 13 and 14 move them in and down to sit on their panel. A hidden button keeps
    // its previous position.
    static void layoutButtons(Buttons& buttons, int W, int SH, std::int16_t style);

    // The shown button whose rectangle strictly contains p (edges excluded), tested in the
    // order close, minimise, maximise. Hidden buttons take no part.
    static std::optional<TitleButton> buttonAt(const Buttons& buttons, QPointF p);

    // Both ends included: a pointer on the right or bottom edge still counts as inside.
    static bool pointerInside(QPoint client, int W, int SH);

    // Left edge of the leftmost shown button, or nothing when none is shown.
    static std::optional<int> leftmostButton(const Buttons& buttons);

    // Top-left of the caption's text cell (tw x th) for CaptionPosX/CaptionPosY 0 to 3;
    // depth is the extrusion depth, which a right-aligned caption leaves room for.
    struct CaptionPlacement {
        int posX = 0, posY = 2, border = 0, depth = 0;
        bool hasIcon = false;
        int picturePosX = 6, iconWidth = 0;
    };
    static QPoint captionOrigin(const CaptionPlacement& c, int W, int SH, int tw, int th);

    // PicturePosMode 1 or 3 centres the icon across, 2 or 3 down; otherwise the stored
    // position stands. The result is what the position properties become.
    static QPoint iconPosition(std::int32_t mode, QPoint stored, int W, int SH, QSize icon);
};
