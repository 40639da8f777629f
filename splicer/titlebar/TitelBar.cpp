#include "titlebar/TitelBar.h"

#include "titlebar/CaptionPainter.h"
#include "titlebar/GradientPainter.h"
#include "titlebar/TitleBarAccessibleFactory.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cmath>

namespace {

std::int16_t shiftState(Qt::KeyboardModifiers m) {
    std::int16_t s = 0;
    if (m & Qt::ShiftModifier) {
        s |= 1;
    }
    if (m & Qt::ControlModifier) {
        s |= 2;
    }
    if (m & Qt::AltModifier) {
        s |= 4;
    }
    return s;
}

std::int16_t mouseButtons(Qt::MouseButtons b) {
    std::int16_t v = 0;
    if (b & Qt::LeftButton) {
        v |= 1;
    }
    if (b & Qt::RightButton) {
        v |= 2;
    }
    if (b & Qt::MiddleButton) {
        v |= 4;
    }
    return v;
}

// Key codes as the host's key handlers know them: letters and digits by their upper-case
// character, the rest by the classic virtual-key numbers.
std::int16_t keyCode(const QKeyEvent* e) {
    const int k = e->key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9)) {
        return std::int16_t(k);
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) {
        return std::int16_t(112 + (k - Qt::Key_F1));
    }
    switch (k) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return std::int16_t(k & 0x7FFF);
    }
}

} // namespace

TitelBar::TitelBar(QWidget* host)
    : QWidget(host), m_host(host), Timer1(new QTimer(this)),
      TBARX(new ButtonImage(QStringLiteral("TBARX"), this)),
      TBARMax(new ButtonImage(QStringLiteral("TBARMax"), this)),
      TBAR_(new ButtonImage(QStringLiteral("TBAR_"), this)) {
    setObjectName(QStringLiteral("TitelBar1"));
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(25);
    connect(Timer1, &QTimer::timeout, this,
            [this] { apply(m_hover.timerTick(pointerInside(), haveCapture())); });
    for (TitleButton id : {TitleButton::Close, TitleButton::Maximize, TitleButton::Minimize}) {
        ButtonImage* img = parts(id).image;
        connect(img, &ButtonImage::moved, this, [this, id] { buttonMoved(id); });
        connect(img, &ButtonImage::left, this, [this, id] { buttonLeft(id); });
        connect(img, &ButtonImage::pressed, this,
                [this, id](Qt::MouseButton b) { buttonPressed(id, b); });
        connect(img, &ButtonImage::triggered, this, [this, id] { act(id); });
    }
    // The buttons are pictures: a screen reader learns what they are from their names.
    TitleBarAccessibleFactory::install();
    // A screen reader lists the buttons in the order of the bar's children: left to right.
    TBARMax->raise();
    TBARX->raise();
    TBAR_->setAccessibleName(tr("Minimise"));
    TBAR_->setAccessibleDescription(tr("Minimises the window"));
    TBARMax->setAccessibleDescription(tr("Maximises the window, or gives it back its size"));
    TBARX->setAccessibleName(tr("Close"));
    TBARX->setAccessibleDescription(tr("Closes the window"));
    nameMaximizeButton();
    if (m_host) {
        m_host->installEventFilter(this);
    }
}

void TitelBar::InitProperties() {
    m_p = TitleBarProperties::newInstance(objectName(), font());
    m_alignTop = true;
    setGeometry(0, 0, m_host ? m_host->width() : width(), 31);
    applySurfaceColours(m_p.ForeColor);
    Refresh();
}

void TitelBar::ReadProperties(const PropertyBag& bag) {
    const QFont ambient = m_host ? m_host->font() : font();
    m_p = TitleBarProperties::read(bag, objectName(), ambient);
    QWidget::setFont(m_p.Font);
    applySurfaceColours(m_p.ForeColor);
    Refresh();
}

void TitelBar::WriteProperties(PropertyBag& bag) const {
    m_p.write(bag, objectName(), m_host ? m_host->font() : font());
}

bool TitelBar::setValue(const QString& name, const QVariant& value) {
    const std::optional<TitleBarProperties::Change> change = m_p.set(name, value);
    if (!change) {
        return false;
    }
    emit propertyChanged(change->name);
    switch (change->effect) {
    case TitleBarProperties::Effect::Keep:
        break;
    case TitleBarProperties::Effect::Font:
        QWidget::setFont(m_p.Font);
        Refresh();
        break;
    case TitleBarProperties::Effect::Redraw:
        Refresh();
        break;
    }
    return true;
}

std::uint32_t TitelBar::GetRealColor(std::uint32_t colour) const {
    return OleColor::translate(colour, palette()).value_or(0);
}

void TitelBar::applySurfaceColours(std::uint32_t foreground) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, OleColor::toQColor(GetRealColor(m_p.BackColor)));
    pal.setColor(QPalette::WindowText, OleColor::toQColor(GetRealColor(foreground)));
    setPalette(pal);
}

void TitelBar::applySurfaceColours() {
    applySurfaceColours(m_p.CaptionColor);
}

void TitelBar::Cls() {
    // The surface has the screen's pixels, so that caption, icon and buttons are as sharp at
    // 1.5 or 2 times as at 1; everything is drawn on it in the bar's own (logical) pixels.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(int(std::ceil(width() * ratio)), int(std::ceil(height() * ratio)));
    if (m_surface.size() != pixels || m_surface.devicePixelRatio() != ratio) {
        m_surface = QImage(pixels, QImage::Format_RGB32);
        m_surface.setDevicePixelRatio(ratio);
    }
    m_surface.fill(OleColor::toQColor(GetRealColor(m_p.BackColor)));
    if (!m_p.Picture.isNull()) {
        QPainter p(&m_surface);
        p.drawImage(0, 0, m_p.Picture);
    }
}

void TitelBar::Refresh() {
    const qreal ratio = devicePixelRatioF();
    if (ratio != m_pictureRatio) {
        m_pictureRatio = ratio;
        imgClose = ButtonPictureList(QStringLiteral("close"), 16, ratio);
        imgMax = ButtonPictureList(QStringLiteral("max"), 16, ratio);
        imgMin = ButtonPictureList(QStringLiteral("min"), 16, ratio);
        for (ButtonImage* image : {TBARX, TBARMax, TBAR_}) {
            image->setPicture(-1, QImage());
        }
    }
    Cls();
    applySurfaceColours();
    SetTBX_();
    SetVerlauf(m_p.BackColorV1Begin, m_p.BackColorV1End, m_p.BackColorV2Begin, m_p.BackColorV2End);
    SetImageI();
    Shadow();
    BSetBorder(m_p.BorderNormal);
    update();
}

TitelBar::ButtonParts TitelBar::parts(TitleButton id) const {
    switch (id) {
    case TitleButton::Close:
        return {id, TBARX, &imgClose, m_p.ShowClose, m_p.ShowCloseEnabled};
    case TitleButton::Maximize:
        return {id, TBARMax, &imgMax, m_p.ShowMaximized, m_p.ShowMaximizedEnabled};
    case TitleButton::Minimize:
        break;
    }
    return {id, TBAR_, &imgMin, m_p.ShowMinimized, m_p.ShowMinimizedEnabled};
}

TitleBarGeometry::Buttons TitelBar::buttonGeometry() const {
    TitleBarGeometry::Buttons b;
    for (TitleButton id : {TitleButton::Close, TitleButton::Maximize, TitleButton::Minimize}) {
        const ButtonParts part = parts(id);
        b[id] = {part.image->geometry(), part.shown};
    }
    return b;
}

void TitelBar::SetTBX_() {
    const int base = m_p.IconStyle * 10;
    for (TitleButton id : {TitleButton::Close, TitleButton::Maximize, TitleButton::Minimize}) {
        const ButtonParts part = parts(id);
        part.image->setVisible(part.shown);
        part.image->setUsable(part.enabled);
        const int index =
            base + (part.enabled ? ButtonPictureList::Normal : ButtonPictureList::Disabled);
        if (part.image->pictureIndex() != index) {
            part.image->setPicture(index, part.list->picture(index));
        }
    }
    TitleBarGeometry::Buttons b = buttonGeometry();
    TitleBarGeometry::layoutButtons(b, width(), height(), m_p.Style);
    for (TitleButton id : {TitleButton::Close, TitleButton::Maximize, TitleButton::Minimize}) {
        parts(id).image->move(b[id].rect.topLeft());
    }
}

void TitelBar::SetVerlauf(std::uint32_t v1Begin, std::uint32_t v1End, std::uint32_t v2Begin,
                          std::uint32_t v2End) {
    if (m_surface.isNull()) {
        return;
    }
    GradientPainter::Frame s;
    s.W = width();
    s.SH = height();
    s.style = m_p.Style;
    s.cover = m_p.BackColorCover;
    s.border = m_p.BorderNormal;
    s.v1Begin = GetRealColor(v1Begin);
    s.v1End = GetRealColor(v1End);
    s.v2Begin = GetRealColor(v2Begin);
    s.v2End = GetRealColor(v2End);
    s.highlight = GetRealColor(m_p.BorderColorHighLight);
    s.dark = GetRealColor(m_p.BorderColorDarkLight);
    const TitleBarGeometry::Buttons b = buttonGeometry();
    if (b.close.shown && b.minimize.shown) {
        s.minimizeLeft = b.minimize.rect.left();
    }
    s.leftmostButton = TitleBarGeometry::leftmostButton(b);
    GradientPainter::paint(m_surface, GradientPainter::plan(s));
    if (m_p.DashBack) {
        GradientPainter::paintDashBack(m_surface,
                                       CaptionPainter::measure(m_p.Caption, font()).width(),
                                       m_p.BorderNormal, s.highlight, s.dark);
    }
}

void TitelBar::SetImageI() {
    const QImage& icon = m_p.PictureButton;
    if (icon.isNull() || m_surface.isNull()) {
        return;
    }
    const QPoint pos =
        TitleBarGeometry::iconPosition(m_p.PicturePosMode, {m_p.PicturePosX, m_p.PicturePosY},
                                       width(), height(), icon.deviceIndependentSize().toSize());
    m_p.PicturePosX = std::int16_t(pos.x());
    m_p.PicturePosY = std::int16_t(pos.y());
    QPainter p(&m_surface);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(pos, icon);
}

void TitelBar::Shadow() {
    if (m_surface.isNull()) {
        return;
    }
    CaptionPainter::Caption c;
    c.text = m_p.Caption;
    c.surfaceFont = font();
    c.outline = CaptionPainter::outlineColour(m_p.CaptionBorder, m_p.CaptionBorderColor);
    if (c.outline != 0) {
        c.outline = GetRealColor(c.outline) | (OleColor::isSystem(c.outline) ? 0 : c.outline);
    }
    c.depth = CaptionPainter::effectiveDepth(m_p.Caption3DWidth, c.outline);
    c.top = m_p.Caption3DTop;
    c.bottom = m_p.Caption3DBottom;
    c.left = m_p.Caption3DLeft;
    c.right = m_p.Caption3DRight;
    c.farColour = GetRealColor(m_p.CaptionColorBack);
    c.nearColour = GetRealColor(m_p.CaptionShadowColor);
    c.textColour = GetRealColor(m_p.CaptionColor);
    const QSize text = CaptionPainter::measure(c.text, c.surfaceFont);
    TitleBarGeometry::CaptionPlacement place;
    place.posX = m_p.CaptionPosX;
    place.posY = m_p.CaptionPosY;
    place.border = m_p.BorderNormal;
    place.depth = c.depth;
    place.hasIcon = !m_p.PictureButton.isNull();
    place.picturePosX = m_p.PicturePosX;
    place.iconWidth = int(m_p.PictureButton.deviceIndependentSize().width());
    const QPoint origin =
        TitleBarGeometry::captionOrigin(place, width(), height(), text.width(), text.height());
    CaptionPainter::paint(m_surface, origin, c);
}

void TitelBar::BSetBorder(std::uint8_t b) {
    if (b == 0 || m_surface.isNull()) {
        return;
    }
    const int W = width();
    const int SH = height();
    QPainter p(&m_surface);
    const QColor dark = OleColor::toQColor(GetRealColor(m_p.BorderColorDarkLight));
    const QColor light = OleColor::toQColor(GetRealColor(m_p.BorderColorHighLight));
    p.fillRect(0, SH - 1, W, 1, dark);
    p.fillRect(W - 1, 0, 1, SH, dark);
    p.fillRect(0, 0, W, 1, light);
    p.fillRect(0, 0, 1, SH, light);
}

void TitelBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_surface);
}

void TitelBar::resizeEvent(QResizeEvent*) {
    emit Resize();
    Refresh();
}

bool TitelBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_host && event->type() == QEvent::Resize) {
        followHost();
    }
    // On a screen of another pixel ratio the bar is drawn again for that screen's pixels.
    if (watched == m_host && event->type() == QEvent::ScreenChangeInternal &&
        devicePixelRatioF() != m_surface.devicePixelRatio()) {
        Refresh();
    }
    if (watched == m_host && event->type() == QEvent::WindowStateChange) {
        nameMaximizeButton();
    }
    return QWidget::eventFilter(watched, event);
}

void TitelBar::followHost() {
    if (!m_alignTop || !m_host || (m_host->layout() && m_host->layout()->indexOf(this) >= 0)) {
        return;
    }
    setGeometry(0, 0, m_host->width(), height());
}

bool TitelBar::haveCapture() const {
    return QWidget::mouseGrabber() == this;
}

// A Wayland compositor keeps the pointer to itself outside popups, and places windows itself:
// there the bar neither captures the pointer nor moves the window but through the compositor.
bool TitelBar::pointerCanBeCaptured() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool TitelBar::pointerInside() const {
    return TitleBarGeometry::pointerInside(mapFromGlobal(QCursor::pos()), width(), height());
}

void TitelBar::apply(const HoverTracker::Actions& a) {
    if (a.stopTimer) {
        Timer1->stop();
    }
    if (a.releaseCapture && haveCapture()) {
        releaseMouse();
    }
    if (a.restoreNormalPictures) {
        showNormalPictures();
    }
    if (a.captureMouse && isVisible() && !haveCapture() && pointerCanBeCaptured()) {
        grabMouse();
    }
    if (a.startTimer) {
        Timer1->start();
    }
}

void TitelBar::showNormalPictures() {
    const int base = m_p.IconStyle * 10;
    for (TitleButton id : {TitleButton::Close, TitleButton::Maximize, TitleButton::Minimize}) {
        const ButtonParts part = parts(id);
        const int index = base + ButtonPictureList::Normal;
        if (part.enabled && part.image->pictureIndex() != index) {
            part.image->setPicture(index, part.list->picture(index));
        }
    }
}

void TitelBar::mousePressEvent(QMouseEvent* e) {
    apply(m_hover.surfaceMouseDown(haveCapture()));
    m_pressed = true;
    m_dragging = false;
    m_manualDrag = false;
    m_pressGlobal = e->globalPosition().toPoint();
    m_hostOrigin = window()->pos();
    emit MouseDown(mouseButtons(e->button()), shiftState(e->modifiers()), float(e->position().x()),
                   float(e->position().y()));
}

void TitelBar::mouseMoveEvent(QMouseEvent* e) {
    const QPointF pos = e->position();
    const bool overButton = TitleBarGeometry::buttonAt(buttonGeometry(), pos).has_value();
    const bool left = (e->buttons() & Qt::LeftButton) && m_pressed;
    const HoverTracker::Actions a =
        m_hover.surfaceMouseMove(overButton, left, pointerInside(), haveCapture());
    apply(a);
    if (a.startDrag) {
        if (!m_dragging) {
            m_dragging = true;
            QWindow* handle = window()->windowHandle();
            // Without a window manager that offers moves (a bare X server) the bar moves
            // the window itself, by the distance the pointer has travelled since the press.
            m_manualDrag = !(handle && handle->startSystemMove()) && pointerCanBeCaptured();
        }
        if (m_manualDrag) {
            window()->move(m_hostOrigin + (e->globalPosition().toPoint() - m_pressGlobal));
        }
    }
    if (a.raiseMouseMove) {
        emit MouseMove(mouseButtons(e->buttons()), shiftState(e->modifiers()), float(pos.x()),
                       float(pos.y()));
    }
}

void TitelBar::mouseReleaseEvent(QMouseEvent* e) {
    apply(m_hover.surfaceMouseUp());
    const bool click = m_pressed && !m_dragging && rect().contains(e->position().toPoint());
    m_pressed = false;
    m_dragging = false;
    m_manualDrag = false;
    emit MouseUp(mouseButtons(e->button()), shiftState(e->modifiers()), float(e->position().x()),
                 float(e->position().y()));
    if (click) {
        emit Click();
    }
}

// Where the pointer cannot be captured, the bar learns that it went away from the leave
// event (where the pointer is off the window is not known to a Wayland program). Elsewhere
// the timer does it: a leave also comes when the window manager takes the pointer for a move.
void TitelBar::leaveEvent(QEvent* e) {
    if (!pointerCanBeCaptured()) {
        apply(m_hover.timerTick(false, false));
    }
    QWidget::leaveEvent(e);
}

void TitelBar::mouseDoubleClickEvent(QMouseEvent* e) {
    m_pressed = true;
    emit DblClick();
    e->accept();
}

void TitelBar::keyPressEvent(QKeyEvent* e) {
    std::int16_t code = keyCode(e);
    std::int16_t shift = shiftState(e->modifiers());
    emit KeyDown(code, shift);
    const QString text = e->text();
    if (!text.isEmpty() && text.at(0).unicode() != 0 && text.at(0).unicode() < 0x8000) {
        std::int16_t ascii = std::int16_t(text.at(0).unicode());
        emit KeyPress(ascii);
    }
}

void TitelBar::keyReleaseEvent(QKeyEvent* e) {
    std::int16_t code = keyCode(e);
    std::int16_t shift = shiftState(e->modifiers());
    emit KeyUp(code, shift);
}

void TitelBar::buttonMoved(TitleButton id) {
    apply(m_hover.buttonMouseMove());
    const ButtonParts part = parts(id);
    const int index = m_p.IconStyle * 10 + ButtonPictureList::Hover;
    if (part.enabled && part.image->pictureIndex() != index) {
        part.image->setPicture(index, part.list->picture(index));
    }
}

// A pointer that leaves a button straight off the bar never moves over the bar again, so
// the hover picture would stay lit; the button puts its normal picture back itself.
void TitelBar::buttonLeft(TitleButton id) {
    const ButtonParts part = parts(id);
    const int index = m_p.IconStyle * 10 + ButtonPictureList::Normal;
    if (part.enabled && part.image->pictureIndex() != index) {
        part.image->setPicture(index, part.list->picture(index));
    }
}

void TitelBar::buttonPressed(TitleButton id, Qt::MouseButton button) {
    apply(m_hover.buttonMouseDown());
    if (button == Qt::LeftButton) {
        act(id);
    }
}

// What a left press on a window button does, and its key or a screen reader's press action.
void TitelBar::act(TitleButton id) {
    if (!parts(id).enabled) {
        return;
    }
    QWidget* w = window();
    switch (id) {
    case TitleButton::Minimize:
        // A maximised window stays maximised underneath, so that it comes back that way.
        w->setWindowState(w->windowState() | Qt::WindowMinimized);
        break;
    case TitleButton::Maximize:
        if (w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
            w->showNormal();
        } else {
            w->showMaximized();
        }
        QCoreApplication::processEvents();
        break;
    case TitleButton::Close:
        w->close();
        break;
    }
}

// The maximise button gives the window back its size when it is maximised; its name says
// which it will do.
void TitelBar::nameMaximizeButton() {
    const QWidget* w = window();
    const bool restores =
        w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen);
    TBARMax->setAccessibleName(restores ? tr("Restore") : tr("Maximise"));
}
