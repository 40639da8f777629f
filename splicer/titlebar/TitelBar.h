#pragma once

#include "titlebar/ButtonImage.h"
#include "titlebar/ButtonPictureList.h"
#include "titlebar/HoverTracker.h"
#include "titlebar/PropertyBag.h"
#include "titlebar/TitleBarGeometry.h"
#include "titlebar/TitleBarProperties.h"

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <cstdint>

// A self-drawn title bar for a frameless window: gradient background, icon, extruded
// caption, raised border and the minimise, maximise/restore and close buttons; dragging it
// moves the window. Everything is drawn into a retained image that painting only copies.
class TitelBar : public QWidget {
    Q_OBJECT
public:
    // host: the frameless window the bar sits on and acts on.
    explicit TitelBar(QWidget* host);

    // A newly placed bar: the values of a fresh instance, 31 pixels high along the top.
    void InitProperties();
    // A bar of a saved design.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    bool AutoRedraw() const { return p_.AutoRedraw; }
    void setAutoRedraw(bool value);
    bool DashBack() const { return p_.DashBack; }
    void setDashBack(bool value);
    std::int16_t Style() const { return p_.Style; }
    void setStyle(std::int16_t value);
    std::uint32_t BackColor() const { return p_.BackColor; }
    void setBackColor(std::uint32_t value);
    float BackColorCover() const { return p_.BackColorCover; }
    void setBackColorCover(float value);
    std::uint32_t BackColorV1Begin() const { return p_.BackColorV1Begin; }
    void setBackColorV1Begin(std::uint32_t value);
    std::uint32_t BackColorV1End() const { return p_.BackColorV1End; }
    void setBackColorV1End(std::uint32_t value);
    std::uint32_t BackColorV2Begin() const { return p_.BackColorV2Begin; }
    void setBackColorV2Begin(std::uint32_t value);
    std::uint32_t BackColorV2End() const { return p_.BackColorV2End; }
    void setBackColorV2End(std::uint32_t value);
    std::uint32_t BorderColorHighLight() const { return p_.BorderColorHighLight; }
    void setBorderColorHighLight(std::uint32_t value);
    std::uint32_t BorderColorDarkLight() const { return p_.BorderColorDarkLight; }
    void setBorderColorDarkLight(std::uint32_t value);
    std::uint32_t ForeColor() const { return p_.ForeColor; }
    void setForeColor(std::uint32_t value);
    std::uint32_t CaptionColorBack() const { return p_.CaptionColorBack; }
    void setCaptionColorBack(std::uint32_t value);
    std::uint32_t CaptionColor() const { return p_.CaptionColor; }
    void setCaptionColor(std::uint32_t value);
    std::uint32_t CaptionBorderColor() const { return p_.CaptionBorderColor; }
    void setCaptionBorderColor(std::uint32_t value);
    std::uint32_t CaptionShadowColor() const { return p_.CaptionShadowColor; }
    void setCaptionShadowColor(std::uint32_t value);
    bool CaptionBorder() const { return p_.CaptionBorder; }
    void setCaptionBorder(bool value);
    std::uint8_t Caption3DWidth() const { return p_.Caption3DWidth; }
    void setCaption3DWidth(std::uint8_t value);
    bool Caption3DTop() const { return p_.Caption3DTop; }
    void setCaption3DTop(bool value);
    bool Caption3DBottom() const { return p_.Caption3DBottom; }
    void setCaption3DBottom(bool value);
    bool Caption3DLeft() const { return p_.Caption3DLeft; }
    void setCaption3DLeft(bool value);
    bool Caption3DRight() const { return p_.Caption3DRight; }
    void setCaption3DRight(bool value);
    bool ShowClose() const { return p_.ShowClose; }
    void setShowClose(bool value);
    bool ShowMinimized() const { return p_.ShowMinimized; }
    void setShowMinimized(bool value);
    bool ShowMaximized() const { return p_.ShowMaximized; }
    void setShowMaximized(bool value);
    bool ShowCloseEnabled() const { return p_.ShowCloseEnabled; }
    void setShowCloseEnabled(bool value);
    bool ShowMinimizedEnabled() const { return p_.ShowMinimizedEnabled; }
    void setShowMinimizedEnabled(bool value);
    bool ShowMaximizedEnabled() const { return p_.ShowMaximizedEnabled; }
    void setShowMaximizedEnabled(bool value);
    const QFont& Font() const { return p_.Font; }
    void setFont(const QFont& value);
    const QString& ToolTipText() const { return p_.ToolTipText; }
    void setToolTipText(const QString& value);
    const QString& Caption() const { return p_.Caption; }
    void setCaption(const QString& value);
    std::int32_t CaptionPosX() const { return p_.CaptionPosX; }
    void setCaptionPosX(std::int32_t value);
    std::int32_t CaptionPosY() const { return p_.CaptionPosY; }
    void setCaptionPosY(std::int32_t value);
    std::uint8_t BorderNormal() const { return p_.BorderNormal; }
    void setBorderNormal(std::uint8_t value);
    std::uint8_t IconStyle() const { return p_.IconStyle; }
    void setIconStyle(std::uint8_t value);
    const QImage& Picture() const { return p_.Picture; }
    void setPicture(const QImage& value);
    const QImage& PictureButton() const { return p_.PictureButton; }
    void setPictureButton(const QImage& value);
    std::int32_t PicturePosMode() const { return p_.PicturePosMode; }
    void setPicturePosMode(std::int32_t value);
    std::int16_t PicturePosX() const { return p_.PicturePosX; }
    void setPicturePosX(std::int16_t value);
    std::int16_t PicturePosY() const { return p_.PicturePosY; }
    void setPicturePosY(std::int16_t value);

    const TitleBarProperties& properties() const { return p_; }

    void Refresh();
    void SetTBX_();
    void SetVerlauf(std::uint32_t v1Begin, std::uint32_t v1End, std::uint32_t v2Begin,
                    std::uint32_t v2End);
    void SetImageI();
    void Shadow();
    void BSetBorder(std::uint8_t width);
    // The RGB value of a colour; system colours from the bar's palette, 0 for one that
    // cannot be translated.
    std::uint32_t GetRealColor(std::uint32_t colour) const;
    void Cls();

    const QImage& surface() const { return surface_; }

signals:
    void Click();
    void DblClick();
    void KeyDown(std::int16_t& KeyCode, std::int16_t& Shift);
    void KeyPress(std::int16_t& KeyAscii);
    void KeyUp(std::int16_t& KeyCode, std::int16_t& Shift);
    void MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Resize();
    // A property changed, by its name, so that the host can update its saved design.
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ButtonParts {
        TitleButton id;
        ButtonImage* image;
        const ButtonPictureList* list;
        bool shown;
        bool enabled;
    };
    ButtonParts parts(TitleButton id) const;
    void apply(const HoverTracker::Actions& a);
    void showNormalPictures();
    void buttonMoved(TitleButton id);
    void buttonLeft(TitleButton id);
    void buttonPressed(TitleButton id, Qt::MouseButton button);
    bool pointerInside() const;
    bool haveCapture() const;
    void applySurfaceColours(std::uint32_t foreground);
    void applySurfaceColours();
    void followHost();
    TitleBarGeometry::Buttons buttonGeometry() const;

    QWidget* host_;
    TitleBarProperties p_;
    QImage surface_;
    HoverTracker hover_;
    QTimer* Timer1;
    ButtonPictureList imgClose{QStringLiteral("close")};
    ButtonPictureList imgMax{QStringLiteral("max")};
    ButtonPictureList imgMin{QStringLiteral("min")};
    ButtonImage* TBARX;
    ButtonImage* TBARMax;
    ButtonImage* TBAR_;
    bool alignTop_ = true;
    // Dragging: where the press was, where the window was then, and how it is moved.
    QPoint pressGlobal_;
    QPoint hostOrigin_;
    bool dragging_ = false;
    bool manualDrag_ = false;
    bool pressed_ = false;
    // The pixel ratio the button pictures were drawn for.
    qreal pictureRatio_ = 1;
};
