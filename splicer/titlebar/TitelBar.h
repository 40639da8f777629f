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

    // Every property of the bar: read with Name(), changed with setName(), which goes the
    // one way every change goes (setValue).
#define TITELBAR_PROPERTY(Type, Name)                                                              \
    Type Name() const { return m_p.Name; }                                                         \
    void set##Name(Type value) { setValue(QStringLiteral(#Name), QVariant::fromValue(value)); }
    TITELBAR_PROPERTY(bool, AutoRedraw)
    TITELBAR_PROPERTY(bool, DashBack)
    TITELBAR_PROPERTY(std::int16_t, Style)
    TITELBAR_PROPERTY(std::uint32_t, BackColor)
    TITELBAR_PROPERTY(float, BackColorCover)
    TITELBAR_PROPERTY(std::uint32_t, BackColorV1Begin)
    TITELBAR_PROPERTY(std::uint32_t, BackColorV1End)
    TITELBAR_PROPERTY(std::uint32_t, BackColorV2Begin)
    TITELBAR_PROPERTY(std::uint32_t, BackColorV2End)
    TITELBAR_PROPERTY(std::uint32_t, BorderColorHighLight)
    TITELBAR_PROPERTY(std::uint32_t, BorderColorDarkLight)
    TITELBAR_PROPERTY(std::uint32_t, ForeColor)
    TITELBAR_PROPERTY(std::uint32_t, CaptionColorBack)
    TITELBAR_PROPERTY(std::uint32_t, CaptionColor)
    TITELBAR_PROPERTY(std::uint32_t, CaptionBorderColor)
    TITELBAR_PROPERTY(std::uint32_t, CaptionShadowColor)
    TITELBAR_PROPERTY(bool, CaptionBorder)
    TITELBAR_PROPERTY(std::uint8_t, Caption3DWidth)
    TITELBAR_PROPERTY(bool, Caption3DTop)
    TITELBAR_PROPERTY(bool, Caption3DBottom)
    TITELBAR_PROPERTY(bool, Caption3DLeft)
    TITELBAR_PROPERTY(bool, Caption3DRight)
    TITELBAR_PROPERTY(bool, ShowClose)
    TITELBAR_PROPERTY(bool, ShowMinimized)
    TITELBAR_PROPERTY(bool, ShowMaximized)
    TITELBAR_PROPERTY(bool, ShowCloseEnabled)
    TITELBAR_PROPERTY(bool, ShowMinimizedEnabled)
    TITELBAR_PROPERTY(bool, ShowMaximizedEnabled)
    TITELBAR_PROPERTY(const QFont&, Font)
    TITELBAR_PROPERTY(const QString&, ToolTipText)
    TITELBAR_PROPERTY(const QString&, Caption)
    TITELBAR_PROPERTY(std::int32_t, CaptionPosX)
    TITELBAR_PROPERTY(std::int32_t, CaptionPosY)
    TITELBAR_PROPERTY(std::uint8_t, BorderNormal)
    TITELBAR_PROPERTY(std::uint8_t, IconStyle)
    TITELBAR_PROPERTY(const QImage&, Picture)
    TITELBAR_PROPERTY(const QImage&, PictureButton)
    TITELBAR_PROPERTY(std::int32_t, PicturePosMode)
    TITELBAR_PROPERTY(std::int16_t, PicturePosX)
    TITELBAR_PROPERTY(std::int16_t, PicturePosY)
#undef TITELBAR_PROPERTY

    // Changes the property called `name` (any letter case): stores it, limited where the
    // property is, tells the host which property changed and draws the bar again where the
    // change shows. False for a name the bar does not have.
    bool setValue(const QString& name, const QVariant& value);
    QVariant value(const QString& name) const { return m_p.get(name); }

    const TitleBarProperties& properties() const { return m_p; }

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

    const QImage& surface() const { return m_surface; }
    // The window button's widget, so that the host can put it into its focus order.
    ButtonImage* button(TitleButton id) const { return parts(id).image; }

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
    void leaveEvent(QEvent* e) override;
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
    void act(TitleButton id);
    void nameMaximizeButton();
    bool pointerInside() const;
    bool haveCapture() const;
    static bool pointerCanBeCaptured();
    void applySurfaceColours(std::uint32_t foreground);
    void applySurfaceColours();
    void followHost();
    TitleBarGeometry::Buttons buttonGeometry() const;

    QWidget* m_host;
    TitleBarProperties m_p;
    QImage m_surface;
    HoverTracker m_hover;
    QTimer* Timer1;
    ButtonPictureList imgClose{QStringLiteral("close")};
    ButtonPictureList imgMax{QStringLiteral("max")};
    ButtonPictureList imgMin{QStringLiteral("min")};
    ButtonImage* TBARX;
    ButtonImage* TBARMax;
    ButtonImage* TBAR_;
    bool m_alignTop = true;
    // Dragging: where the press was, where the window was then, and how it is moved.
    QPoint m_pressGlobal;
    QPoint m_hostOrigin;
    bool m_dragging = false;
    bool m_manualDrag = false;
    bool m_pressed = false;
    // The pixel ratio the button pictures were drawn for.
    qreal m_pictureRatio = 1;
};
