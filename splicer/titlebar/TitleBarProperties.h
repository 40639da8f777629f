#pragma once

#include "titlebar/OleColor.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <optional>

class PropertyBag;

// The persisted properties of a title bar, with the three sets of defaults they know: the
// values of a freshly placed bar, the values taken when a saved design lacks a key, and
// the values not written when saving.
struct TitleBarProperties {
    // What a change of a property does besides storing it.
    enum class Effect { Keep, Redraw, Font };
    struct Change {
        QString name; // as the bar spells it
        Effect effect;
    };

    bool AutoRedraw = false;
    bool DashBack = false;
    std::int16_t Style = 8;
    std::uint32_t BackColor = OleColor::rgb(38, 48, 79);
    float BackColorCover = 3;
    std::uint32_t BackColorV1Begin = OleColor::rgb(230, 230, 230);
    std::uint32_t BackColorV1End = OleColor::rgb(90, 110, 140);
    std::uint32_t BackColorV2Begin = OleColor::rgb(90, 110, 140);
    std::uint32_t BackColorV2End = OleColor::rgb(38, 48, 79);
    std::uint32_t BorderColorHighLight = OleColor::rgb(255, 255, 255);
    std::uint32_t BorderColorDarkLight = OleColor::rgb(0, 0, 0);
    std::uint32_t ForeColor = OleColor::rgb(255, 255, 255);
    std::uint32_t CaptionColorBack = OleColor::rgb(60, 60, 60);
    std::uint32_t CaptionColor = OleColor::rgb(255, 255, 255);
    std::uint32_t CaptionBorderColor = 0;
    std::uint32_t CaptionShadowColor = OleColor::rgb(60, 60, 60);
    bool CaptionBorder = false;
    std::uint8_t Caption3DWidth = 2;
    bool Caption3DTop = false;
    bool Caption3DBottom = true;
    bool Caption3DLeft = false;
    bool Caption3DRight = true;
    bool ShowClose = true;
    bool ShowMinimized = true;
    bool ShowMaximized = false;
    bool ShowCloseEnabled = true;
    bool ShowMinimizedEnabled = true;
    bool ShowMaximizedEnabled = true;
    QFont Font;
    QString ToolTipText;
    QString Caption;
    std::int32_t CaptionPosX = 0;
    std::int32_t CaptionPosY = 2;
    std::uint8_t BorderNormal = 2;
    std::uint8_t IconStyle = 0;
    QImage Picture;
    QImage PictureButton;
    std::int32_t PicturePosMode = 0;
    std::int16_t PicturePosX = 6;
    std::int16_t PicturePosY = 4;

    // A bar just placed on a host: named after the control, in the surface's design font.
    static TitleBarProperties newInstance(const QString& controlName, const QFont& designFont);
    // What a saved design means for every key it lacks.
    static TitleBarProperties readDefaults(const QString& controlName, const QFont& ambientFont);
    // The defaults saving compares with; they differ from the read defaults only in
    // BackColor, which is compared with the button face.
    static TitleBarProperties writeDefaults(const QString& controlName, const QFont& ambientFont);

    static TitleBarProperties read(const PropertyBag& bag, const QString& controlName,
                                   const QFont& ambientFont);
    void write(PropertyBag& bag, const QString& controlName, const QFont& ambientFont) const;

    // Sets the property called `name` (any letter case) from `value`, limited where that
    // property is limited; nothing for a name the bar does not have or a value that does not
    // convert to its type.
    std::optional<Change> set(const QString& name, const QVariant& value);
    // The property called `name`, or an invalid value.
    QVariant get(const QString& name) const;
    static QStringList names();

    // 10 or more becomes 10, not above 0 becomes 1.
    static float limitBackColorCover(float value);
    // Anything above 1 becomes 2.
    static std::uint8_t limitIconStyle(std::uint8_t value);
};
