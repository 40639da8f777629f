#include "titlebar/TitleBarProperties.h"

#include "titlebar/PropertyBag.h"

namespace {

// Every persisted property once, by its key; reading, writing and the tests walk this list.
template <typename F> void forEachProperty(F&& f) {
    using P = TitleBarProperties;
    f("AutoRedraw", &P::AutoRedraw);
    f("DashBack", &P::DashBack);
    f("Style", &P::Style);
    f("BackColor", &P::BackColor);
    f("BackColorCover", &P::BackColorCover);
    f("BackColorV1Begin", &P::BackColorV1Begin);
    f("BackColorV1End", &P::BackColorV1End);
    f("BackColorV2Begin", &P::BackColorV2Begin);
    f("BackColorV2End", &P::BackColorV2End);
    f("BorderColorHighLight", &P::BorderColorHighLight);
    f("BorderColorDarkLight", &P::BorderColorDarkLight);
    f("ForeColor", &P::ForeColor);
    f("CaptionColorBack", &P::CaptionColorBack);
    f("CaptionColor", &P::CaptionColor);
    f("CaptionBorderColor", &P::CaptionBorderColor);
    f("CaptionShadowColor", &P::CaptionShadowColor);
    f("CaptionBorder", &P::CaptionBorder);
    f("Caption3DWidth", &P::Caption3DWidth);
    f("Caption3DTop", &P::Caption3DTop);
    f("Caption3DBottom", &P::Caption3DBottom);
    f("Caption3DLeft", &P::Caption3DLeft);
    f("Caption3DRight", &P::Caption3DRight);
    f("ShowClose", &P::ShowClose);
    f("ShowMinimized", &P::ShowMinimized);
    f("ShowMaximized", &P::ShowMaximized);
    f("ShowCloseEnabled", &P::ShowCloseEnabled);
    f("ShowMinimizedEnabled", &P::ShowMinimizedEnabled);
    f("ShowMaximizedEnabled", &P::ShowMaximizedEnabled);
    f("Font", &P::Font);
    f("ToolTipText", &P::ToolTipText);
    f("Caption", &P::Caption);
    f("CaptionPosX", &P::CaptionPosX);
    f("CaptionPosY", &P::CaptionPosY);
    f("BorderNormal", &P::BorderNormal);
    f("IconStyle", &P::IconStyle);
    f("Picture", &P::Picture);
    f("PictureButton", &P::PictureButton);
    f("PicturePosMode", &P::PicturePosMode);
    f("PicturePosX", &P::PicturePosX);
    f("PicturePosY", &P::PicturePosY);
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
    forEachProperty([&](const char* name, auto member) {
        using T = std::remove_cvref_t<decltype(p.*member)>;
        p.*member =
            bag.ReadProperty(QString::fromLatin1(name), QVariant::fromValue(defaults.*member))
                .template value<T>();
    });
    // A design written by hand may carry values the setters would never have stored: an
    // icon style without pictures, or a cover wider than the bar. A missing cover stays 0.
    p.IconStyle = limitIconStyle(p.IconStyle);
    if (p.BackColorCover > 10)
        p.BackColorCover = 10;
    return p;
}

void TitleBarProperties::write(PropertyBag& bag, const QString& controlName,
                               const QFont& ambientFont) const {
    const TitleBarProperties defaults = writeDefaults(controlName, ambientFont);
    forEachProperty([&](const char* name, auto member) {
        bag.WriteProperty(QString::fromLatin1(name), QVariant::fromValue(this->*member),
                          QVariant::fromValue(defaults.*member));
    });
}

float TitleBarProperties::limitBackColorCover(float value) {
    if (value >= 10)
        return 10;
    if (value <= 0)
        return 1;
    return value;
}

std::uint8_t TitleBarProperties::limitIconStyle(std::uint8_t value) {
    return value > 1 ? 2 : value;
}
