#pragma once

#include <QImage>
#include <QString>
#include <map>

// The pictures of one window button, indexed like an image list: for picture set s
// (IconStyle 0 to 2), s * 10 + 1 is the hover picture, s * 10 + 2 the normal one and
// s * 10 + 3 the disabled one.
class ButtonPictureList {
public:
    static constexpr int Hover = 1;
    static constexpr int Normal = 2;
    static constexpr int Disabled = 3;

    // glyph names the SVG resources: "close", "max" or "min"; size is in logical pixels, the
    // pictures have ratio times as many.
    explicit ButtonPictureList(const QString& glyph, int size = 16, qreal ratio = 1);

    static int index(int iconStyle, int state) { return iconStyle * 10 + state; }
    // A null image for an index outside the list.
    QImage picture(int index) const;

private:
    std::map<int, QImage> m_pictures;
};
