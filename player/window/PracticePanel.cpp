#include "window/PracticePanel.h"

#include "engine/PracticeTempo.h"
#include "window/PracticeSession.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString kLeadInTip =
    QStringLiteral("Each pass of the loop starts this long before its start mark,\n"
                   "so you hear what leads into the passage (0 to 10 s)");
const QString kBreathTip =
    QStringLiteral("A pause before each new pass, with a countdown (0 to 10 s)");
const QString kTrainerTip = QStringLiteral(
    "While the loop runs: the first pass at the start speed, each further pass a step\n"
    "nearer the target, then the target speed. Changing the speed by hand or ending\n"
    "the loop ends it");

QSpinBox* spin(QWidget* parent, const QString& name, int min, int max, int step,
               const QString& suffix, const QString& tip) {
    auto* b = new QSpinBox(parent);
    b->setObjectName(name);
    b->setRange(min, max);
    b->setSingleStep(step);
    b->setSuffix(suffix);
    b->setToolTip(tip);
    b->setAccelerated(false);
    b->setKeyboardTracking(false);
    b->setAlignment(Qt::AlignRight);
    b->setFixedWidth(72);
    return b;
}

} // namespace

PracticePanel::PracticePanel(PracticeSession& session, QWidget* parent)
    : QFrame(parent, Qt::Popup), m_session(session) {
    setObjectName(QStringLiteral("practicePanel"));
    setFrameShape(QFrame::StyledPanel);
    const int speedStep = PracticeTempo::kSpeedStep;
    m_leadIn = spin(this, QStringLiteral("leadIn"), 0, PracticeSettings::kMaxLeadIn, 1,
                    QStringLiteral(" s"), kLeadInTip);
    m_breath = spin(this, QStringLiteral("breath"), 0, PracticeSettings::kMaxBreath, 1,
                    QStringLiteral(" s"), kBreathTip);
    m_trainer = new QCheckBox(QStringLiteral("Speed trainer"), this);
    m_trainer->setObjectName(QStringLiteral("trainer"));
    m_trainer->setToolTip(kTrainerTip);
    m_from = spin(this, QStringLiteral("trainerFrom"), PracticeTempo::kMinSpeed,
                  PracticeTempo::kMaxSpeed, speedStep, QStringLiteral("%"), kTrainerTip);
    m_to = spin(this, QStringLiteral("trainerTo"), PracticeTempo::kMinSpeed,
                PracticeTempo::kMaxSpeed, speedStep, QStringLiteral("%"), kTrainerTip);
    m_step = spin(this, QStringLiteral("trainerStep"), PracticeSettings::kMinTrainerStep,
                  PracticeSettings::kMaxTrainerStep, speedStep, QStringLiteral("%"), kTrainerTip);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));

    auto* title = new QLabel(QStringLiteral("Loop practice"), this);
    title->setObjectName(QStringLiteral("title"));
    // One column of labels, one of boxes; the trainer's rows indented under its switch.
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    form->setHorizontalSpacing(14);
    form->setVerticalSpacing(6);
    form->addRow(QStringLiteral("Lead-in"), m_leadIn);
    form->addRow(QStringLiteral("Breath between passes"), m_breath);
    form->addRow(m_trainer);
    // Each label is its box's buddy, which names the box for a screen reader.
    const auto indented = [this](const QString& text, QWidget* box) {
        auto* l = new QLabel(text, this);
        l->setIndent(18);
        l->setBuddy(box);
        return l;
    };
    form->addRow(indented(QStringLiteral("Start speed"), m_from), m_from);
    form->addRow(indented(QStringLiteral("Target speed"), m_to), m_to);
    form->addRow(indented(QStringLiteral("Step per pass"), m_step), m_step);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 10, 14, 12);
    column->setSpacing(8);
    column->addWidget(title);
    column->addLayout(form);
    column->addWidget(m_status);

    setStyleSheet(QStringLiteral(
        "#practicePanel { background: #2b2e33; border: 1px solid #4a4e53; border-radius: 8px; }"
        "QLabel, QCheckBox { color: #e8eaed; font-size: 12px; }"
        "#title { font-weight: bold; font-size: 13px; }"
        "#status { color: #8ab4f8; }"));

    // The boxes keep the style's own arrows; only their colours follow the dark panel.
    QPalette dark = palette();
    dark.setColor(QPalette::Base, QColor(0x3a, 0x3e, 0x44));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xea, 0xed));
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3e, 0x44));
    dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xea, 0xed));
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2e, 0x33));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6b, 0x6f, 0x74));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6b, 0x6f, 0x74));
    for (QSpinBox* b : {m_leadIn, m_breath, m_from, m_to, m_step}) {
        b->setPalette(dark);
    }
    for (QSpinBox* b : {m_leadIn, m_breath, m_from, m_to, m_step}) {
        connect(b, &QSpinBox::valueChanged, this, &PracticePanel::edited);
    }
    connect(m_trainer, &QCheckBox::toggled, this, &PracticePanel::edited);
    connect(&session, &PracticeSession::settingsChanged, this, &PracticePanel::refresh);
    connect(&session, &PracticeSession::statusChanged, this, &PracticePanel::refresh);
    refresh();
}

void PracticePanel::popUpAt(const QPoint& corner) {
    adjustSize();
    QPoint at = corner;
    if (const QScreen* screen = QGuiApplication::screenAt(corner)) {
        const QRect room = screen->availableGeometry();
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
        if (at.y() + height() > room.bottom()) {
            at.setY(std::max(room.top(), corner.y() - height() - 30));
        }
    }
    move(at);
    show();
    raise();
    activateWindow();
    // Ready for the keyboard: Tab goes from box to box, Escape closes the panel.
    m_leadIn->setFocus(Qt::PopupFocusReason);
    m_leadIn->selectAll();
}

void PracticePanel::refresh() {
    m_refreshing = true;
    const PracticeSettings& s = m_session.settings();
    m_leadIn->setValue(s.leadIn);
    m_breath->setValue(s.breath);
    m_trainer->setChecked(s.trainer);
    m_from->setValue(s.trainerFrom);
    m_to->setValue(s.trainerTo);
    m_step->setValue(s.trainerStep);
    for (QSpinBox* b : {m_from, m_to, m_step}) {
        b->setEnabled(s.trainer);
    }
    const QString status = m_session.status();
    m_status->setText(status);
    m_status->setVisible(!status.isEmpty());
    m_refreshing = false;
}

void PracticePanel::edited() {
    if (m_refreshing) {
        return;
    }
    PracticeSettings s = m_session.settings();
    s.leadIn = m_leadIn->value();
    s.breath = m_breath->value();
    s.trainer = m_trainer->isChecked();
    s.trainerFrom = m_from->value();
    s.trainerTo = m_to->value();
    s.trainerStep = m_step->value();
    m_session.setSettings(s);
}
