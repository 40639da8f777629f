#include "marks/MarkKeypad.h"

#include "marks/Colours.h"

#include <QApplication>
#include <QGridLayout>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

MarkButton::MarkButton(int index, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), m_index(index), m_colour(Colours::ButtonFace) {
    setObjectName(QStringLiteral("cmdMark_%1").arg(index));
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPointSizeF(index == 11 ? 12 : 24);
    setFont(f);
    setFixedSize(MarkKeypad::kButtonSize, MarkKeypad::kButtonSize);
    applyColour();
}

void MarkButton::setBackColor(uint32_t colour) {
    if (colour == m_colour) {
        return;
    }
    m_colour = colour;
    applyColour();
    emit BackColorChanged(m_index);
}

void MarkButton::applyColour() {
    const QColor back = Colours::toQColor(m_colour, QApplication::palette());
    const QColor border = back.darker(135);
    const QColor hover = back.lighter(108);
    const QColor pressed = back.darker(112);
    const bool face = m_colour == Colours::ButtonFace;
    const QString text = face ? QApplication::palette().color(QPalette::ButtonText).name()
                              : QStringLiteral("#1d1d1d");
    setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3;"
                                 " border-radius: 8px; padding: 0; }"
                                 "QPushButton:hover { background: %4; }"
                                 "QPushButton:pressed { background: %5; }"
                                 "QPushButton:focus { border: 2px solid #3a6fc4; }")
                      .arg(back.name(), text, border.name(), hover.name(), pressed.name()));
}

void MarkButton::paintEvent(QPaintEvent*) {
    // The caption is drawn by hand so that "Clear All" wraps within the square button.
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    p.drawControl(QStyle::CE_PushButton, opt);
    p.setFont(font());
    p.setPen(m_colour == Colours::ButtonFace ? palette().color(QPalette::ButtonText)
                                             : QColor(0x1d, 0x1d, 0x1d));
    p.drawText(rect().adjusted(3, 3, -3, -3), Qt::AlignCenter | Qt::TextWordWrap, text());
    paintStateSign(p);
}

void MarkButton::paintStateSign(QPainter& p) const {
    // Colour is not the only sign of a mark's state, for eyes and themes that lose it: a set
    // mark has a dot in its top right corner, the current one a bar along its bottom too.
    if (m_index > 9 || (m_colour != Colours::Yellow && m_colour != Colours::LightRed)) {
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x1d, 0x1d));
    p.drawEllipse(QRectF(width() - 15, 7, 8, 8));
    if (m_colour == Colours::LightRed) {
        p.drawRoundedRect(QRectF(10, height() - 10, width() - 20, 4), 2, 2);
    }
    p.restore();
}

void MarkButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool right = event->button() == Qt::RightButton;
    QPushButton::mouseReleaseEvent(event);
    int button = 1;
    if (right) {
        button = 2;
    } else if (event->button() == Qt::MiddleButton) {
        button = 4;
    }
    emit MouseUp(m_index, button);
}

void MarkButton::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    emit GotFocus(m_index);
}

MarkKeypad::MarkKeypad(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("keypad"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    struct Place {
        int index, row, column;
        const char* caption;
    };
    static constexpr Place places[] = {
        {0, 0, 0, "1"}, {1, 0, 1, "2"},  {2, 0, 2, "3"},  {3, 1, 0, "4"},
        {4, 1, 1, "5"}, {5, 1, 2, "6"},  {6, 2, 0, "7"},  {7, 2, 1, "8"},
        {8, 2, 2, "9"}, {10, 3, 0, "?"}, {9, 3, 1, "10"}, {11, 3, 2, "Clear All"},
    };
    for (const Place& p : places) {
        auto* b = new MarkButton(p.index, QString::fromLatin1(p.caption), this);
        m_buttons[static_cast<size_t>(p.index)] = b;
        grid->addWidget(b, p.row, p.column);
        connect(b, &QPushButton::clicked, this, [this, i = p.index] { emit Click(i); });
        if (p.index == 10) {
            b->setAccessibleName(QStringLiteral("About"));
            b->setAccessibleDescription(QStringLiteral("Shows what this program is"));
        } else if (p.index == 11) {
            b->setAccessibleName(QStringLiteral("Clear All"));
            b->setAccessibleDescription(
                QStringLiteral("Clears every mark of this track; Ctrl+Z puts them back"));
        }
        connect(b, &MarkButton::MouseUp, this, &MarkKeypad::MouseUp);
        connect(b, &MarkButton::GotFocus, this, &MarkKeypad::GotFocus);
        connect(b, &MarkButton::BackColorChanged, this, &MarkKeypad::BackColorChanged);
    }
}
