#include "titlebar/TitleBarProperties.h"

#include "titlebar/PropertyBag.h"

namespace {

// Every property once: its key, where it is kept and what a change of it does besides. Setting,
// reading and writing a design all walk this one list.
template <typename F> void forEachProperty(F&& f) {
    using P = TitleBarProperties;
    using E = TitleBarProperties::Effect;
    f("AutoRedraw", &P::AutoRedraw, E::Keep);
    f("DashBack", &P::DashBack, E::Redraw);
    f("Style", &P::Style, E::Redraw);
    f("BackColor", &P::BackColor, E::Redraw);
    f("BackColorCover", &P::BackColorCover, E::Redraw);
    f("BackColorV1Begin", &P::BackColorV1Begin, E::Redraw);
    f("BackColorV1End", &P::BackColorV1End, E::Redraw);
    f("BackColorV2Begin", &P::BackColorV2Begin, E::Redraw);
    f("BackColorV2End", &P::BackColorV2End, E::Redraw);
    f("BorderColorHighLight", &P::BorderColorHighLight, E::Redraw);
    f("BorderColorDarkLight", &P::BorderColorDarkLight, E::Redraw);
    f("ForeColor", &P::ForeColor, E::Redraw);
    f("CaptionColorBack", &P::CaptionColorBack, E::Redraw);
    f("CaptionColor", &P::CaptionColor, E::Redraw);
    f("CaptionBorderColor", &P::CaptionBorderColor, E::Redraw);
    f("CaptionShadowColor", &P::CaptionShadowColor, E::Redraw);
    f("CaptionBorder", &P::CaptionBorder, E::Redraw);
    f("Caption3DWidth", &P::Caption3DWidth, E::Redraw);
    f("Caption3DTop", &P::Caption3DTop, E::Redraw);
    f("Caption3DBottom", &P::Caption3DBottom, E::Redraw);
    f("Caption3DLeft", &P::Caption3DLeft, E::Redraw);
    f("Caption3DRight", &P::Caption3DRight, E::Redraw);
    f("ShowClose", &P::ShowClose, E::Redraw);
    f("ShowMinimized", &P::ShowMinimized, E::Redraw);
    f("ShowMaximized", &P::ShowMaximized, E::Redraw);
    f("ShowCloseEnabled", &P::ShowCloseEnabled, E::Redraw);
    f("ShowMinimizedEnabled", &P::ShowMinimizedEnabled, E::Redraw);
    f("ShowMaximizedEnabled", &P::ShowMaximizedEnabled, E::Redraw);
    f("Font", &P::Font, E::Font);
    f("ToolTipText", &P::ToolTipText, E::Keep);
    f("Caption", &P::Caption, E::Redraw);
    f("CaptionPosX", &P::CaptionPosX, E::Redraw);
    f("CaptionPosY", &P::CaptionPosY, E::Redraw);
    f("BorderNormal", &P::BorderNormal, E::Redraw);
    f("IconStyle", &P::IconStyle, E::Redraw);
    f("Picture", &P::Picture, E::Redraw);
    f("PictureButton", &P::PictureButton, E::Redraw);
    f("PicturePosMode", &P::PicturePosMode, E::Redraw);
    f("PicturePosX", &P::PicturePosX, E::Redraw);
    f("PicturePosY", &P::PicturePosY, E::Redraw);
}

} // namespace

TitleBarProperties TitleBarProperties::newInstance(const QString& controlName,
                                                   const QFont& designFont) {
    TitleBarProperties p;
    p.Caption = controlName;
    p.Font = designFont;
    return p;
}

TitleBarProperties TitleBarProperties::readDefaults(const QString& controlName,
                                                    const QFont& ambientFont) {
    TitleBarProperties p;
    p.BackColor = OleColor::rgb(230, 230, 230);
    p.BackColorCover = 0;
    p.ForeColor = OleColor::ButtonText;
    p.ShowMaximizedEnabled = false;
    p.Font = ambientFont;
    p.Caption = controlName;
    p.BorderNormal = 0;
    return p;
}

TitleBarProperties TitleBarProperties::writeDefaults(const QString& controlName,
                                                     const QFont& ambientFont) {
    TitleBarProperties p = readDefaults(controlName, ambientFont);
    p.BackColor = OleColor::ButtonFace;
    return p;
}

TitleBarProperties TitleBarProperties::read(const PropertyBag& bag, const QString& controlName,
                                            const QFont& ambientFont) {
    const TitleBarProperties defaults = readDefaults(controlName, ambientFont);
    TitleBarProperties p = defaults;
    forEachProperty([&](const char* name, auto member, Effect) {
        using T = std::remove_cvref_t<decltype(p.*member)>;
        p.*member =
            bag.ReadProperty(QString::fromLatin1(name), QVariant::fromValue(defaults.*member))
                .template value<T>();
    });
    // A design written by hand may carry values the setters would never have stored: an
    // icon style without pictures, or a cover wider than the bar. A missing cover stays 0.
    p.IconStyle = limitIconStyle(p.IconStyle);
    if (p.BackColorCover > 10) {
        p.BackColorCover = 10;
    }
    return p;
}

void TitleBarProperties::write(PropertyBag& bag, const QString& controlName,
                               const QFont& ambientFont) const {
    const TitleBarProperties defaults = writeDefaults(controlName, ambientFont);
    forEachProperty([&](const char* name, auto member, Effect) {
        bag.WriteProperty(QString::fromLatin1(name), QVariant::fromValue(this->*member),
                          QVariant::fromValue(defaults.*member));
    });
}

std::optional<TitleBarProperties::Change> TitleBarProperties::set(const QString& name,
                                                                  const QVariant& value) {
    std::optional<Change> change;
    forEachProperty([&](const char* key, auto member, Effect effect) {
        using T = std::remove_cvref_t<decltype(this->*member)>;
        if (change || name.compare(QLatin1String(key), Qt::CaseInsensitive) != 0 ||
            !value.canConvert<T>()) {
            return;
        }
        this->*member = value.value<T>();
        change = Change{QString::fromLatin1(key), effect};
    });
    // Two properties keep their values within what the bar can draw.
    if (change && change->name == QLatin1String("BackColorCover")) {
        BackColorCover = limitBackColorCover(BackColorCover);
    }
    if (change && change->name == QLatin1String("IconStyle")) {
        IconStyle = limitIconStyle(IconStyle);
    }
    return change;
}

QVariant TitleBarProperties::get(const QString& name) const {
    QVariant out;
    forEachProperty([&](const char* key, auto member, Effect) {
        if (!out.isValid() && name.compare(QLatin1String(key), Qt::CaseInsensitive) == 0) {
            out = QVariant::fromValue(this->*member);
        }
    });
    return out;
}

QStringList TitleBarProperties::names() {
    QStringList out;
    forEachProperty([&](const char* key, auto, Effect) { out << QString::fromLatin1(key); });
    return out;
}

float TitleBarProperties::limitBackColorCover(float value) {
    if (value >= 10) {
        return 10;
    }
    if (value <= 0) {
        return 1;
    }
    return value;
}

std::uint8_t TitleBarProperties::limitIconStyle(std::uint8_t value) {
    return value > 1 ? 2 : value;
}
