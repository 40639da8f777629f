#include "window/PracticeControls.h"

#include "engine/PracticeTempo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QResizeEvent>
#include <QToolButton>

namespace {

const QString kSpeedTip = QStringLiteral(
    "Speed, pitch kept (50% to 150%); each track keeps its own\nKeys: [ slower, ] faster, \\ back "
    "to 100%");
const QString kTransposeTip = QStringLiteral(
    "Transpose in semitones (\u221212 to +12); each track keeps its own\nKeys: - down, = up");
const QString kLoopTip = QStringLiteral(
    "Loop from the current mark to the next one (or to the end)\nKey: L, again to end it\n"
    "Lead-in, breath between passes, speed trainer: the practice panel (P)");
const QString kPanelTip =
    QStringLiteral("Loop practice: lead-in, breath between passes, speed trainer\nKey: P");

QToolButton* makeButton(QWidget* parent, const QString& name, const QString& text,
                        const QString& tip, int width) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(tip);
    b->setFixedSize(width, 24);
    // Reached with Tab, never taken by a click: the window's keys keep working after a click.
    b->setFocusPolicy(Qt::TabFocus);
    b->setAutoRaise(true);
    return b;
}

// Two arrows chasing each other round a rounded rectangle, light for the dark panel.
QIcon loopGlyph() {
    const qreal dpr = 2;
    QPixmap pm(QSize(18, 18) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0xe8, 0xea, 0xed);
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath top;
    top.moveTo(3, 10);
    top.lineTo(3, 7.5);
    top.quadTo(3, 5, 5.5, 5);
    top.lineTo(13, 5);
    QPainterPath bottom;
    bottom.moveTo(15, 8);
    bottom.lineTo(15, 10.5);
    bottom.quadTo(15, 13, 12.5, 13);
    bottom.lineTo(5, 13);
    p.drawPath(top);
    p.drawPath(bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF({QPointF(12, 2.2), QPointF(15.8, 5), QPointF(12, 7.8)}));
    p.drawPolygon(QPolygonF({QPointF(6, 10.2), QPointF(2.2, 13), QPointF(6, 15.8)}));
    p.end();
    return QIcon(pm);
}

// Three sliders with their knobs: the practice panel.
QIcon panelGlyph() {
    const qreal dpr = 2;
    QPixmap pm(QSize(18, 18) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0xe8, 0xea, 0xed);
    p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap));
    const qreal knobs[] = {6, 12, 8.5};
    for (int i = 0; i < 3; ++i) {
        const qreal y = 4.5 + i * 4.5;
        p.drawLine(QPointF(2.5, y), QPointF(15.5, y));
    }
    p.setBrush(QColor(0x2b, 0x2e, 0x33));
    for (int i = 0; i < 3; ++i) {
        p.drawEllipse(QPointF(knobs[i], 4.5 + i * 4.5), 1.9, 1.9);
    }
    p.end();
    return QIcon(pm);
}

// A stepper: its three buttons side by side in one rounded frame.
QWidget* pill(QWidget* parent, std::initializer_list<QToolButton*> buttons) {
    auto* frame = new QWidget(parent);
    frame->setObjectName(QStringLiteral("practicePill"));
    frame->setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(0);
    for (QToolButton* b : buttons) {
        b->setParent(frame);
        row->addWidget(b);
    }
    return frame;
}

// The tempo beside the speed: "82 BPM at 85 %" where the row has room for it, "82 BPM" where
// it has not (the speed is shown right before it); its name for a screen reader is always
// the whole text.
class TempoLabel : public QLabel {
public:
    explicit TempoLabel(QWidget* parent) : QLabel(parent) {}

    void setTempo(const QString& full) {
        m_full = full;
        m_short = full.section(QStringLiteral(" at "), 0, 0);
        fit();
        updateGeometry();
    }
    QSize sizeHint() const override { return textSize(m_full); }
    QSize minimumSizeHint() const override { return textSize(m_short); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    QSize textSize(const QString& text) const {
        const QMargins m = contentsMargins();
        return {fontMetrics().horizontalAdvance(text) + m.left() + m.right() + 2,
                QLabel::sizeHint().height()};
    }
    void fit() {
        const QString shown = width() >= textSize(m_full).width() ? m_full : m_short;
        if (text() != shown) {
            setText(shown);
        }
    }

    QString m_full;
    QString m_short;
};

} // namespace

PracticeControls::PracticeControls(PracticeTempo& tempo, QWidget* parent)
    : QWidget(parent), m_tempo(tempo) {
    setFocusPolicy(Qt::NoFocus);
    m_slower = makeButton(this, QStringLiteral("slower"), QStringLiteral("\u2212"), kSpeedTip, 20);
    m_speed = makeButton(this, QStringLiteral("speed"), QString(),
                         kSpeedTip + QStringLiteral("\nClick: back to 100%"), 42);
    m_faster = makeButton(this, QStringLiteral("faster"), QStringLiteral("+"), kSpeedTip, 20);
    m_down = makeButton(this, QStringLiteral("transposeDown"), QStringLiteral("\u266d"),
                        kTransposeTip, 20);
    m_transpose = makeButton(this, QStringLiteral("transpose"), QString(),
                             kTransposeTip + QStringLiteral("\nClick: back to 0"), 30);
    m_up = makeButton(this, QStringLiteral("transposeUp"), QStringLiteral("\u266f"), kTransposeTip,
                      20);
    m_loop = makeButton(this, QStringLiteral("loop"), QString(), kLoopTip, 28);
    m_loop->setIcon(loopGlyph());
    m_loop->setIconSize({18, 18});
    m_loop->setCheckable(true);
    m_panel = makeButton(this, QStringLiteral("practicePanelButton"), QString(), kPanelTip, 26);
    m_panel->setIcon(panelGlyph());
    m_panel->setIconSize({18, 18});
    m_slower->setAccessibleName(QStringLiteral("Slower"));
    m_faster->setAccessibleName(QStringLiteral("Faster"));
    m_down->setAccessibleName(QStringLiteral("Transpose down"));
    m_up->setAccessibleName(QStringLiteral("Transpose up"));
    m_loop->setAccessibleName(QStringLiteral("Loop between marks"));
    m_panel->setAccessibleName(QStringLiteral("Loop practice"));
    for (QToolButton* b :
         {m_slower, m_speed, m_faster, m_down, m_transpose, m_up, m_loop, m_panel}) {
        b->setAccessibleDescription(b->toolTip());
    }
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("practiceStatus"));
    m_status->setMinimumWidth(96);
    m_status->setToolTip(
        QStringLiteral("The speed trainer's pass and speed, or the breath before the next pass"));
    m_status->setVisible(false);
    m_status->setAccessibleDescription(m_status->toolTip());

    m_tempoLabel = new TempoLabel(this);
    m_tempoLabel->setObjectName(QStringLiteral("trackTempo"));
    m_tempoLabel->setToolTip(
        QStringLiteral("The track's tempo at the speed it plays\nKeys: T tapped four times or more "
                       "sets it, G: a bar starts here"));
    m_tempoLabel->setAccessibleDescription(m_tempoLabel->toolTip());
    m_tempoLabel->setVisible(false);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    row->addWidget(pill(this, {m_slower, m_speed, m_faster}));
    row->addWidget(m_tempoLabel);
    row->addWidget(pill(this, {m_down, m_transpose, m_up}));
    row->addWidget(m_loop);
    row->addWidget(m_panel);
    row->addWidget(m_status);

    setStyleSheet(QStringLiteral(
        "#practicePill { background: rgba(255,255,255,0.07); border: 1px solid #4a4e53;"
        " border-radius: 7px; }"
        "QToolButton { color: #e8eaed; font-size: 13px; border: none; border-radius: 6px;"
        " background: transparent; padding: 0; }"
        "QToolButton:hover { background: rgba(255,255,255,0.14); }"
        "QToolButton:pressed { background: rgba(255,255,255,0.24); }"
        "QToolButton:disabled { color: #6b6f74; }"
        "QToolButton:focus { border: 2px solid #8ab4f8; }"
        "#speed, #transpose { font-size: 12px; font-weight: bold; }"
        "#transposeDown, #transposeUp { font-size: 16px; }"
        "#loop { border-radius: 12px; }"
        "#loop:checked { background: #8ab4f8; }"
        "#practiceStatus { color: #8ab4f8; font-size: 12px; font-weight: bold; }"
        "#trackTempo { color: #c6cad0; font-size: 12px; }"));

    connect(m_slower, &QToolButton::clicked, &tempo, &PracticeTempo::slower);
    connect(m_faster, &QToolButton::clicked, &tempo, &PracticeTempo::faster);
    connect(m_speed, &QToolButton::clicked, &tempo, &PracticeTempo::resetSpeed);
    connect(m_down, &QToolButton::clicked, &tempo, &PracticeTempo::transposeDown);
    connect(m_up, &QToolButton::clicked, &tempo, &PracticeTempo::transposeUp);
    connect(m_transpose, &QToolButton::clicked, &tempo, &PracticeTempo::resetTranspose);
    // The checked look follows the loop itself, not the click.
    connect(m_loop, &QToolButton::clicked, this, [this] {
        m_loop->setChecked(!m_loop->isChecked());
        emit loopClicked();
    });
    connect(m_panel, &QToolButton::clicked, this, &PracticeControls::panelClicked);
    connect(&tempo, &PracticeTempo::changed, this, &PracticeControls::refresh);
    refresh();
}

void PracticeControls::setLoopOn(bool on) {
    m_loop->setChecked(on);
}

void PracticeControls::setStatus(const QString& text) {
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

void PracticeControls::setTempo(const QString& text) {
    static_cast<TempoLabel*>(m_tempoLabel)->setTempo(text);
    m_tempoLabel->setAccessibleName(text.isEmpty() ? QString()
                                                   : QStringLiteral("Tempo %1").arg(text));
    m_tempoLabel->setVisible(!text.isEmpty());
}

void PracticeControls::refresh() {
    const int speed = m_tempo.speedPercent();
    const int st = m_tempo.transpose();
    m_speed->setText(PracticeTempo::speedText(speed));
    m_transpose->setText(PracticeTempo::transposeText(st));
    m_speed->setAccessibleName(QStringLiteral("Speed %1").arg(m_speed->text()));
    m_transpose->setAccessibleName(
        QStringLiteral("Transpose %1 semitones").arg(m_transpose->text()));
    m_slower->setEnabled(speed > PracticeTempo::kMinSpeed);
    m_faster->setEnabled(speed < PracticeTempo::kMaxSpeed);
    m_down->setEnabled(st > -PracticeTempo::kMaxTranspose);
    m_up->setEnabled(st < PracticeTempo::kMaxTranspose);
}
