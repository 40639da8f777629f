#include "marks/MarkStrip.h"

#include "base/Runtime.h"
#include "marks/Colours.h"
#include "marks/StripMath.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

int px(double twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

} // namespace

MarkLine::MarkLine(QWidget* parent) : QWidget(parent), m_colour(Colours::WindowText) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(-1, px(MarkStrip::kLineTop), 2, px(MarkStrip::kLineBottom - MarkStrip::kLineTop));
}

void MarkLine::setBorderColor(uint32_t colour) {
    m_colour = colour;
    update();
}

void MarkLine::setX(int16_t xTwips) {
    m_x = xTwips;
    move(px(xTwips) - 1, y());
}

void MarkLine::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Colours::toQColor(m_colour, palette()));
}

MarkLabel::MarkLabel(QWidget* parent) : QLabel(parent), m_colour(Colours::Black) {
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(12);
    f.setBold(true);
    setFont(f);
    setGeometry(0, px(MarkStrip::kLabelTop), px(MarkStrip::kLabelWidth),
                px(MarkStrip::kLabelHeight));
    setForeColor(m_colour);
}

void MarkLabel::setForeColor(uint32_t colour) {
    m_colour = colour;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Colours::toQColor(colour, pal));
    setPalette(pal);
    // The mark gone to is red, and underlined for those who cannot tell red from black.
    QFont f = font();
    f.setUnderline(colour == Colours::Red);
    setFont(f);
}

void MarkLabel::setLeftTwips(int16_t xTwips) {
    m_left = xTwips;
    move(px(xTwips), y());
}

NudgeButton::NudgeButton(int index, QWidget* parent) : QPushButton(parent), m_index(index) {
    setObjectName(QStringLiteral("cmdNudge_%1").arg(index));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Nudge: left click back one second, right click ahead"));
    setAccessibleName(QStringLiteral("Nudge mark %1").arg(index + 1));
    setAccessibleDescription(QStringLiteral("Left click: back one second, right click: ahead one "
                                            "second; from the keyboard, the Menu key on keypad "
                                            "button %1")
                                 .arg(index + 1));
    setGeometry(0, px(MarkStrip::kNudgeTop), px(MarkStrip::kNudgeSize), px(MarkStrip::kNudgeSize));
    setStyleSheet(QStringLiteral("QPushButton { background: #808080; border: 1px solid #5a5a5a;"
                                 " border-radius: 3px; }"
                                 "QPushButton:hover { background: #9a9a9a; }"
                                 "QPushButton:pressed { background: #6a6a6a; }"));
}

void NudgeButton::setLeftTwips(float leftTwips) {
    m_left = leftTwips;
    move(px(leftTwips), y());
}

void NudgeButton::mouseReleaseEvent(QMouseEvent* event) {
    QPushButton::mouseReleaseEvent(event);
    int button = 1;
    if (event->button() == Qt::RightButton) {
        button = 2;
    } else if (event->button() == Qt::MiddleButton) {
        button = 4;
    }
    emit MouseUp(m_index, button);
}

MarkStrip::MarkStrip(QWidget* picMarker) : m_pic(picMarker) {
    auto s = std::make_unique<Slot>();
    s->line = new MarkLine(m_pic);
    s->label = new MarkLabel(m_pic);
    s->nudge = new NudgeButton(0, m_pic);
    s->line->setObjectName(QStringLiteral("linMark_0"));
    s->label->setObjectName(QStringLiteral("lblMark_0"));
    s->label->setAccessibleName(QStringLiteral("Mark 1 on the strip"));
    s->line->hide();
    s->label->hide();
    s->nudge->hide();
    m_slots[0] = std::move(s);
}

bool MarkStrip::exists(int index) const {
    return index >= 0 && index < kSlots && m_slots[static_cast<size_t>(index)] != nullptr;
}

const MarkStrip::Slot& MarkStrip::slot(int index) const {
    if (!exists(index)) {
        throw RuntimeError(errNoSuchElement,
                           QStringLiteral("Control array element '%1' doesn't exist").arg(index));
    }
    return *m_slots[static_cast<size_t>(index)];
}

void MarkStrip::create(int index) {
    if (index <= 0 || index >= kSlots || exists(index)) {
        return;
    }
    const Slot& first = *m_slots[0];
    auto s = std::make_unique<Slot>();
    s->line = new MarkLine(m_pic);
    s->line->setObjectName(QStringLiteral("linMark_%1").arg(index));
    s->line->setBorderColor(first.line->BorderColor());
    s->label = new MarkLabel(m_pic);
    s->label->setObjectName(QStringLiteral("lblMark_%1").arg(index));
    s->label->setAccessibleName(QStringLiteral("Mark %1 on the strip").arg(index + 1));
    s->label->setFont(first.label->font());
    s->label->setForeColor(first.label->ForeColor());
    s->nudge = new NudgeButton(index, m_pic);
    s->line->hide();
    s->label->hide();
    s->nudge->hide();
    if (onNudgeCreated) {
        onNudgeCreated(*s->nudge);
    }
    m_slots[static_cast<size_t>(index)] = std::move(s);
}

void MarkStrip::discard(int index) {
    if (index <= 0 || !exists(index)) {
        return;
    }
    auto& s = m_slots[static_cast<size_t>(index)];
    delete s->label;
    delete s->line;
    // The nudge button may be the one whose release is being handled right now.
    s->nudge->hide();
    s->nudge->deleteLater();
    s.reset();
}

int MarkStrip::highestSlot() const {
    for (int i = kSlots - 1; i > 0; --i) {
        if (exists(i)) {
            return i;
        }
    }
    return 0;
}

MarkLine& MarkStrip::linMark(int index) const {
    return *slot(index).line;
}
MarkLabel& MarkStrip::lblMark(int index) const {
    return *slot(index).label;
}
NudgeButton& MarkStrip::cmdNudge(int index) const {
    return *slot(index).nudge;
}

void MarkStrip::setShown(int index, bool shown) {
    const Slot& s = slot(index);
    s.label->setVisible(shown);
    s.line->setVisible(shown);
    s.nudge->setVisible(shown);
}

void MarkStrip::placeAt(int index, int16_t xTwips) {
    const Slot& s = slot(index);
    s.label->setLeftTwips(xTwips);
    s.line->setX(xTwips);
    s.nudge->setLeftTwips(StripMath::nudgeLeft(xTwips));
}
