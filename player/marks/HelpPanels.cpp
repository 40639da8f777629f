#include "marks/HelpPanels.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace {

// A help tab as a screen reader sees it: a page tab, selected while its panel is in front.
class HelpTabAccessible : public QAccessibleWidget {
public:
    explicit HelpTabAccessible(QWidget* tab) : QAccessibleWidget(tab, QAccessible::PageTab) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        const auto* panels = qobject_cast<const HelpPanels*>(widget()->parentWidget());
        s.selected =
            panels && panels->frontPanel() == widget()->property("helpPanel").value<QObject*>();
        return s;
    }
};

QAccessibleInterface* helpTabFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("HelpTab") && object) {
        return new HelpTabAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

const QColor HowToBackground(255, 255, 192);
const QColor MoreBackground(192, 192, 255);
const QColor HeadingColour(0, 0, 192);
const QColor Grey(128, 128, 128);
const QColor FrameColour(96, 96, 112);

// The panels were laid out for Arial; these stand in where it is not installed.
QFont panelFont(qreal points, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Geometry of the help area, in pixels: panels on the left, the tab strip on the right.
constexpr int PanelWidth = 475;
constexpr int PanelHeight = 247;
constexpr int TabLeft = 477;
constexpr int TabWidth = 41;
constexpr int UpperTabTop = 12;
constexpr int LowerTabTop = 124;
constexpr int TabHeight = 112;

} // namespace

HelpPanels::HelpPanels(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(helpTabFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("HelpPanels"));
    setFixedSize(520, 250);

    // The tabs lie under the panels, which hide their left rounded corners.
    const QRect upper(TabLeft - 8, UpperTabTop, TabWidth + 8, TabHeight);
    const QRect lower(TabLeft - 8, LowerTabTop, TabWidth + 8, TabHeight);
    lblShape1 = addTab("Shape1", "lblShape1", HowToBackground, upper);
    lblShape2 = addTab("Shape2", "lblShape2", MoreBackground, lower);
    m_tabCaptions[lblShape1] = tr("How To");
    m_tabCaptions[lblShape2] = tr("Keys & Remote");
    // Tabs for the keyboard too: Tab reaches them, and the one with the focus is in front.
    for (QWidget* tab : {lblShape1, lblShape2}) {
        tab->setAccessibleName(m_tabCaptions.value(tab));
        tab->setFocusPolicy(Qt::TabFocus);
    }
    lblShape1->setAccessibleDescription(tr("How to set, clear, go to, nudge and note marks"));
    lblShape2->setAccessibleDescription(tr("The keyboard's and the remote control's keys"));

    fraMore = makePanel("fraMore", MoreBackground, QRect(2, 2, PanelWidth, PanelHeight));
    fraHowTo = makePanel("fraHowTo", HowToBackground, QRect(1, 1, PanelWidth, PanelHeight));
    fraMore->setAccessibleName(m_tabCaptions.value(lblShape2));
    fraHowTo->setAccessibleName(m_tabCaptions.value(lblShape1));
    lblShape1->setProperty("helpPanel", QVariant::fromValue<QObject*>(fraHowTo));
    lblShape2->setProperty("helpPanel", QVariant::fromValue<QObject*>(fraMore));
    fillHowTo();
    fillMore();

    addLine("Line5", FrameColour, QRect(0, 0, TabLeft + 1, 1));
    addLine("Line6", FrameColour, QRect(0, 0, 1, 250));
    addLine("Line7", FrameColour, QRect(0, 249, TabLeft + 1, 1));
    addLine("Line8", FrameColour, QRect(TabLeft, 0, 1, UpperTabTop));
    addLine("Line1", FrameColour,
            QRect(TabLeft, LowerTabTop + TabHeight, 1, 250 - LowerTabTop - TabHeight));
    addLine("linTT", Qt::white, QRect(TabLeft, UpperTabTop + 1, TabWidth - 2, 1));

    linTBG = addLine("linTBG", Grey, QRect(TabLeft, UpperTabTop, 3, TabHeight));
    linTBB = addLine("linTBB", Qt::black, QRect(TabLeft + 3, UpperTabTop, 1, TabHeight));
    linBBG = addLine("linBBG", Grey, QRect(TabLeft, LowerTabTop, 3, TabHeight));
    linBBB = addLine("linBBB", Qt::black, QRect(TabLeft + 3, LowerTabTop, 1, TabHeight));
    linTB = addLine("linTB", Grey, QRect(TabLeft, LowerTabTop - 2, TabWidth - 1, 2));
    linBT = addLine("linBT", Qt::white, QRect(TabLeft, LowerTabTop, TabWidth - 1, 2));
    lblShape1->raise();
    lblShape2->raise();

    lblShape1_Click();
}

QFrame* HelpPanels::makePanel(const char* name, const QColor& background, const QRect& geometry) {
    auto* panel = new QFrame(this);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(geometry);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, background);
    panel->setPalette(pal);
    panel->installEventFilter(this);
    return panel;
}

QLabel* HelpPanels::addLabel(QWidget* panel, const char* name, const QString& text,
                             const QRect& geometry, bool heading, Qt::Alignment align) {
    auto* label = new QLabel(panel);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setGeometry(geometry);
    label->setAlignment(align);
    label->setWordWrap(true);
    label->setFont(panelFont(8.0, heading));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, heading ? HeadingColour : QColor(Qt::black));
    label->setPalette(pal);
    return label;
}

QWidget* HelpPanels::addPicture(QWidget* panel, const char* name, const QString& resource,
                                const QRect& geometry) {
    auto* picture = new QWidget(panel);
    picture->setObjectName(QLatin1String(name));
    picture->setGeometry(geometry);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* renderer = new QSvgRenderer(resource, picture);
    renderer->setAspectRatioMode(Qt::KeepAspectRatio);
    m_pictures[picture] = renderer;
    picture->installEventFilter(this);
    return picture;
}

QFrame* HelpPanels::addLine(const char* name, const QColor& colour, const QRect& geometry) {
    auto* line = new QFrame(this);
    line->setObjectName(QLatin1String(name));
    line->setGeometry(geometry);
    line->setAutoFillBackground(true);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    setLineColour(line, colour);
    m_tabStrip << line;
    return line;
}

QWidget* HelpPanels::addTab(const char* shape, const char* label, const QColor& fill,
                            const QRect& geometry) {
    auto* frame = new QFrame(this);
    frame->setObjectName(QLatin1String(shape));
    frame->setGeometry(geometry);
    frame->setStyleSheet(QStringLiteral("QFrame#%1 { background: %2; border: 1px solid #808080;"
                                        " border-radius: 7px; }")
                             .arg(QLatin1String(shape), fill.name()));

    auto* caption = new HelpTab(this);
    caption->setObjectName(QLatin1String(label));
    caption->setGeometry(TabLeft, geometry.top(), TabWidth, geometry.height());
    caption->setCursor(Qt::PointingHandCursor);
    caption->installEventFilter(this);
    m_tabStrip << caption;
    return caption;
}

void HelpPanels::fillHowTo() {
    QWidget* p = fraHowTo;
    addLabel(p, "Label24", QStringLiteral("Use the SPACE BAR to Play or Pause a track"),
             QRect(10, 7, 455, 18), true, Qt::AlignHCenter | Qt::AlignTop)
        ->setFont(panelFont(9.5, true));
    auto* rule = new QFrame(p);
    rule->setObjectName(QStringLiteral("Line3"));
    rule->setGeometry(10, 29, 455, 1);
    rule->setAutoFillBackground(true);
    setLineColour(rule, HeadingColour);

    addLabel(p, "Label36", QStringLiteral("SET MARK POINT"), QRect(12, 40, 220, 15), true);
    addPicture(p, "Image1", QStringLiteral(":/help/ctrl-key.svg"), QRect(12, 59, 44, 30))
        ->setAccessibleName(QStringLiteral("Picture of the Ctrl key"));
    addLabel(p, "Label33", QStringLiteral("hold CTRL key while pressing number key or button"),
             QRect(64, 60, 168, 30), false);

    addLabel(p, "Label35", QStringLiteral("CLEAR MARK POINT"), QRect(12, 104, 220, 15), true);
    addPicture(p, "Image2", QStringLiteral(":/help/alt-key.svg"), QRect(12, 123, 44, 30))
        ->setAccessibleName(QStringLiteral("Picture of the Alt key"));
    addLabel(p, "Label32", QStringLiteral("hold ALT key while pressing number key or button"),
             QRect(64, 124, 168, 30), false);

    addLabel(p, "Label34", QStringLiteral("GO TO MARK POINT"), QRect(12, 174, 220, 15), true);
    addLabel(p, "Label31", QStringLiteral("press number key or button"), QRect(12, 193, 220, 16),
             false);

    auto* divider = new QFrame(p);
    divider->setGeometry(242, 42, 1, 180);
    divider->setAutoFillBackground(true);
    setLineColour(divider, QColor(224, 224, 160));

    addLabel(p, "Label30", QStringLiteral("ADJUST (NUDGE) MARK POINT"), QRect(254, 40, 211, 15),
             true);
    addPicture(p, "Image4", QStringLiteral(":/help/nudge-button.svg"), QRect(254, 60, 32, 60))
        ->setAccessibleName(QStringLiteral("Picture of a nudge button over a mark on the strip"));
    addLabel(p, "Label29", QStringLiteral("Nudge Ahead:  Right Mouse Click on 'nudge button'"),
             QRect(296, 60, 170, 30), false);
    addLabel(p, "Label28", QStringLiteral("Nudge Back:  Left Mouse Click on 'nudge button'"),
             QRect(296, 92, 170, 30), false);

    Label1 = addLabel(p, "Label1", QStringLiteral("ADD NOTE FOR MARK POINT"),
                      QRect(254, 174, 211, 15), true);
    Label2 = addLabel(p, "Label2", QStringLiteral("Right Mouse Click on number button"),
                      QRect(254, 193, 211, 16), false);
    Label1->installEventFilter(this);
    Label2->installEventFilter(this);
}

void HelpPanels::fillMore() {
    QWidget* p = fraMore;
    auto* heading =
        addLabel(p, "Label37", QStringLiteral("Keyboard and Remote Control Functions *"),
                 QRect(10, 7, 455, 18), true, Qt::AlignHCenter | Qt::AlignTop);
    heading->setFont(panelFont(9.5, true));
    heading->setToolTip(QStringLiteral("Some multimedia keyboards may inhibit these functions"));
    auto* rule = new QFrame(p);
    rule->setObjectName(QStringLiteral("Line4"));
    rule->setGeometry(10, 29, 455, 1);
    rule->setAutoFillBackground(true);
    setLineColour(rule, HeadingColour);

    const auto blue = [this, p](const char* name, const QString& text, const QRect& r,
                                Qt::Alignment align) {
        QLabel* l = addLabel(p, name, text, r, true, align);
        l->setFont(panelFont(7.5, true));
        return l;
    };
    blue("Label38", QStringLiteral("PLAY/PAUSE"), QRect(60, 42, 120, 14), Qt::AlignHCenter);
    addPicture(p, "Image5", QStringLiteral(":/help/arrow-keys.svg"), QRect(65, 60, 110, 74))
        ->setAccessibleName(QStringLiteral("Picture of the arrow keys"));
    blue("Label39", QStringLiteral("REWIND"), QRect(4, 107, 58, 14), Qt::AlignRight | Qt::AlignTop);
    blue("Label40", QStringLiteral("FAST FORWARD"), QRect(178, 101, 62, 28),
         Qt::AlignLeft | Qt::AlignTop);

    blue("Label45", QStringLiteral("PAGE DOWN = Next Mark"), QRect(12, 170, 220, 15),
         Qt::AlignLeft);
    blue("Label46", QStringLiteral("PAGE UP = Previous Mark"), QRect(12, 189, 220, 15),
         Qt::AlignLeft);
    blue("Label47", QStringLiteral("ESCAPE = Stop"), QRect(12, 208, 220, 15), Qt::AlignLeft);

    blue("Label44", QStringLiteral("(Center Button) Play"), QRect(290, 36, 140, 14),
         Qt::AlignHCenter);
    addPicture(p, "Image6", QStringLiteral(":/help/remote-control.svg"), QRect(330, 52, 60, 190))
        ->setAccessibleName(QStringLiteral("Picture of a remote control"));
    blue("Label42", QStringLiteral("(Left Button) Previous Mark"), QRect(248, 86, 80, 28),
         Qt::AlignRight | Qt::AlignTop);
    blue("Label41", QStringLiteral("(Right Button) Next Mark"), QRect(394, 86, 76, 28),
         Qt::AlignLeft | Qt::AlignTop);
    QLabel* pause = blue("Label43", QStringLiteral("(Bottom Button) Pause"),
                         QRect(296, 196, 128, 17), Qt::AlignCenter);
    // It lies over the dark body of the remote: a panel-coloured plate keeps it legible.
    pause->setStyleSheet(QStringLiteral("QLabel { background: rgba(192, 192, 255, 230);"
                                        " border: 1px solid #8080c0; border-radius: 4px; }"));
}

void HelpPanels::setLineColour(QWidget* line, const QColor& colour) {
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, colour);
    line->setPalette(pal);
}

void HelpPanels::bringToFront(QWidget* panel) {
    panel->raise();
    // The tab strip is drawn over the panels' edge whichever panel is in front.
    for (QWidget* w : std::as_const(m_tabStrip)) {
        w->raise();
    }
}

void HelpPanels::lblShape1_Click() {
    linTBG->hide();
    linTBB->hide();
    setLineColour(linTB, Grey);
    linBBG->show();
    linBBB->show();
    setLineColour(linBT, Qt::white);
    bringToFront(fraHowTo);
}

void HelpPanels::lblShape2_Click() {
    linTBG->show();
    linTBB->show();
    setLineColour(linTB, Qt::white);
    linBBG->hide();
    linBBB->hide();
    setLineColour(linBT, Grey);
    bringToFront(fraMore);
}

void HelpPanels::fraHowTo_Click() {
    bringToFront(fraHowTo);
}

void HelpPanels::fraMore_Click() {
    bringToFront(fraMore);
}

void HelpPanels::Label1_Click() {
    bringToFront(fraMore);
}

void HelpPanels::Label2_Click() {
    bringToFront(fraHowTo);
}

QWidget* HelpPanels::frontPanel() const {
    const QObjectList& kids = children();
    return kids.indexOf(fraHowTo) > kids.indexOf(fraMore) ? static_cast<QWidget*>(fraHowTo)
                                                          : static_cast<QWidget*>(fraMore);
}

bool HelpPanels::lineShown(const QString& name) const {
    const auto* line = findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    return line && line->isVisibleTo(this);
}

QColor HelpPanels::lineColour(const QString& name) const {
    const auto* line = findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    return line ? line->palette().color(QPalette::Window) : QColor();
}

void HelpPanels::paintTabCaption(QWidget* label) {
    QPainter painter(label);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(panelFont(8.0, true));
    painter.setPen(HeadingColour);
    painter.translate(label->width() / 2.0 + 2, label->height() / 2.0);
    painter.rotate(90);
    const QRectF box(-label->height() / 2.0, -label->width() / 2.0, label->height(),
                     label->width());
    painter.drawText(box, Qt::AlignCenter, m_tabCaptions.value(label));
    if (label->hasFocus()) {
        painter.resetTransform();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x3a, 0x6f, 0xc4), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(label->rect()).adjusted(2, 2, -2, -2), 5, 5);
    }
}

bool HelpPanels::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (watched == lblShape1 || watched == lblShape2) {
            if (event->type() == QEvent::FocusIn) {
                watched == lblShape1 ? lblShape1_Click() : lblShape2_Click();
                QAccessibleStateChangeEvent selected(watched, [] {
                    QAccessible::State s;
                    s.selected = true;
                    return s;
                }());
                QAccessible::updateAccessibility(&selected);
            }
            static_cast<QWidget*>(watched)->update();
        }
        return false;
    }
    if (event->type() == QEvent::Paint) {
        auto* widget = static_cast<QWidget*>(watched);
        if (QSvgRenderer* renderer = m_pictures.value(watched)) {
            QPainter painter(widget);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer->render(&painter, QRectF(widget->rect()));
            return true;
        }
        if (m_tabCaptions.contains(watched)) {
            paintTabCaption(widget);
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() != Qt::LeftButton ||
            !widget->rect().contains(mouse->position().toPoint())) {
            return false;
        }
        if (watched == lblShape1) {
            lblShape1_Click();
        } else if (watched == lblShape2) {
            lblShape2_Click();
        } else if (watched == Label1) {
            Label1_Click();
        } else if (watched == Label2) {
            Label2_Click();
        } else if (watched == fraHowTo) {
            fraHowTo_Click();
        } else if (watched == fraMore) {
            fraMore_Click();
        } else {
            return false;
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
