#pragma once
// Icons of the picture buttons, drawn from the program's own SVG pictures.

#include <QIcon>

class PictureIcon {
public:
    // Renders the picture at the usual button sizes (and twice that for dense screens, and the
    // large sizes a task bar or window switcher asks for); the disabled look is derived by the
    // style.
    static QIcon fromSvg(const QString& resource);
};
