#include "window/PracticePanel.h"

#include "engine/PracticeTempo.h"
#include "practice/PracticeSession.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QSpinBox>

#include "marks/BeatMarks.h"
#include <QVBoxLayout>

#include <algorithm>

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

// Frameless as popups are: its position is that of its own edge, with no frame around it.
PracticePanel::PracticePanel(PracticeSession& session, QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint), m_session(session) {
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

    m_form = form;

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 10, 14, 12);
    column->setSpacing(8);
    column->addWidget(title);
    column->addLayout(form);
    column->addWidget(m_status);

    // The window's light look: its panel white, its borders, its ink and its blue.
    setStyleSheet(QStringLiteral(
        "#practicePanel { background: #ffffff; border: 1px solid #b9c0cc; border-radius: 8px; }"
        "QLabel, QCheckBox { color: #1f2a44; font-size: 12px; }"
        "QLabel:disabled { color: #8a93a6; }"
        "#title { font-weight: bold; font-size: 13px; }"
        "#status { color: #3a6fc4; }"));

    for (QSpinBox* b : {m_leadIn, m_breath, m_from, m_to, m_step}) {
        connect(b, &QSpinBox::valueChanged, this, &PracticePanel::edited);
    }
    connect(m_trainer, &QCheckBox::toggled, this, &PracticePanel::edited);
    connect(&session, &PracticeSession::settingsChanged, this, &PracticePanel::refresh);
    connect(&session, &PracticeSession::statusChanged, this, &PracticePanel::refresh);
    refresh();
}

QPoint PracticePanel::placement(const QSize& size, const QRect& anchor, const QRect& window,
                                const QRect& room) {
    constexpr int kGap = 4;
    const int w = size.width();
    const int h = size.height();
    const int above = anchor.top() - kGap - h;
    const int below = anchor.bottom() + 1 + kGap;
    const QRect inside = window.intersected(room);
    const auto fits = [h](int y, const QRect& r) {
        return y >= r.top() && y + h <= r.bottom() + 1;
    };
    int y = 0;
    if (fits(above, inside)) {
        y = above;
    } else if (fits(below, inside)) {
        y = below;
    } else if (fits(above, room)) {
        y = above;
    } else if (fits(below, room)) {
        y = below;
    } else {
        y = std::clamp(above, room.top(), std::max(room.top(), room.bottom() + 1 - h));
    }
    // Its left edge at the button's, moved in to the window where it is wide enough.
    int x = anchor.left();
    if (!inside.isEmpty()) {
        x = std::max(std::min(x, inside.right() + 1 - w), inside.left());
    }
    x = std::clamp(x, room.left(), std::max(room.left(), room.right() + 1 - w));
    return {x, y};
}

void PracticePanel::popUpBeside(const QRect& anchor) {
    // Its size as shown: the style sheet's fonts and margins first.
    ensurePolished();
    adjustSize();
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* screen = owner ? owner->screen() : nullptr;
    if (!screen) {
        screen = QGuiApplication::screenAt(anchor.center());
    }
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect room = screen ? screen->availableGeometry() : anchor;
    const QRect window = owner ? owner->frameGeometry() : room;
    const QPoint at = placement(size(), anchor, window, room);
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

void PracticePanel::addCountIn(BeatMarks& beats) {
    if (m_countIn) {
        return;
    }
    m_countIn = spin(this, QStringLiteral("countIn"), 0, BeatMarks::kMaxCountIn, 1,
                     QStringLiteral(" beats"),
                     QStringLiteral("Clicks at the track's tempo, the track silent, before each "
                                    "pass\n(before the lead-in); none where the track has no "
                                    "steady beat"));
    m_countIn->setValue(beats.countInBeats());
    auto* label = new QLabel(QStringLiteral("Count-in"), this);
    label->setBuddy(m_countIn);
    m_form->addRow(label, m_countIn);
    connect(m_countIn, &QSpinBox::valueChanged, &beats, &BeatMarks::setCountInBeats);
    adjustSize();
}
