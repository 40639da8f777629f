#include "practice/PracticeSession.h"

#include "engine/MediaBackend.h"
#include "engine/PlayerInterface.h"
#include "engine/PracticeTempo.h"
#include "models/MarkRepository.h"
#include "practice/LoopBetweenMarks.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {

const QString kSpeed = QStringLiteral("Speed");
const QString kTranspose = QStringLiteral("Transpose");
const QString kLeadIn = QStringLiteral("LeadIn");
const QString kBreath = QStringLiteral("Breath");
const QString kTrainer = QStringLiteral("Trainer");
const QString kTrainerFrom = QStringLiteral("TrainerFrom");
const QString kTrainerTo = QStringLiteral("TrainerTo");
const QString kTrainerStep = QStringLiteral("TrainerStep");

int snapSpeed(int percent) {
    const int step = PracticeTempo::kSpeedStep;
    percent = std::clamp(percent, PracticeTempo::kMinSpeed, PracticeTempo::kMaxSpeed);
    return (percent + step / 2) / step * step;
}

// The stored whole number, or `fallback` when there is none or it is not a number.
int number(const QString& text, int fallback) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : fallback;
}

} // namespace

PracticeSettings PracticeSettings::held() const {
    PracticeSettings s = *this;
    s.leadIn = std::clamp(leadIn, 0, kMaxLeadIn);
    s.breath = std::clamp(breath, 0, kMaxBreath);
    s.trainerFrom = snapSpeed(trainerFrom);
    s.trainerTo = snapSpeed(trainerTo);
    const int step = PracticeTempo::kSpeedStep;
    s.trainerStep =
        (std::clamp(trainerStep, kMinTrainerStep, kMaxTrainerStep) + step / 2) / step * step;
    return s;
}

PracticeSession::PracticeSession(PracticeTempo& tempo, LoopBetweenMarks& loop,
                                 PlayerInterface& player, MarkRepository& repository,
                                 const std::vector<MediaBackend*>& backends, QObject* parent)
    : QObject(parent), m_tempo(tempo), m_loop(loop), m_player(player), m_repository(repository) {
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    clock = [elapsed] { return elapsed->elapsed(); };
    m_breathTimer.setInterval(kTickMs);
    connect(&m_breathTimer, &QTimer::timeout, this, &PracticeSession::tick);
    connect(&tempo, &PracticeTempo::changed, this, &PracticeSession::tempoChanged);
    connect(&loop, &LoopBetweenMarks::changed, this, &PracticeSession::loopChanged);
    for (MediaBackend* b : backends) {
        connect(b, &MediaBackend::loopRestarted, this, [this, b] {
            if (b == m_loop.backend()) {
                passStarted(b);
            }
        });
        connect(b, &MediaBackend::stateChanged, this, [this, b](MediaBackend::State state) {
            // Playing again by hand, stopping or a new track cuts the breath short.
            if (b == m_breathBackend && state != MediaBackend::State::Paused) {
                endBreath();
            }
        });
    }
}

int PracticeSession::breathLeft() const {
    if (!breathing()) {
        return 0;
    }
    const qint64 left = m_settings.breath * 1000LL - (clock() - m_breathStart);
    return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

QString PracticeSession::status() const {
    if (breathing()) {
        return QStringLiteral("Breath %1 s").arg(breathLeft());
    }
    if (trainerRunning() && m_pass >= m_trainerPass) {
        return QStringLiteral("Pass %1 \u00b7 %2")
            .arg(m_pass - m_trainerPass + 1)
            .arg(PracticeTempo::speedText(m_tempo.speedPercent()));
    }
    return {};
}

void PracticeSession::setSettings(const PracticeSettings& settings) {
    const PracticeSettings s = settings.held();
    if (s == m_settings) {
        return;
    }
    const bool trainerChanged =
        s.trainer != m_settings.trainer || s.trainerFrom != m_settings.trainerFrom ||
        s.trainerTo != m_settings.trainerTo || s.trainerStep != m_settings.trainerStep;
    m_settings = s;
    m_loop.setLeadIn(s.leadIn);
    if (trainerChanged) {
        // A new plan starts over on the next pass, the speed heard until then unchanged;
        // switched off, the track's own speed comes back.
        if (s.trainer && m_loop.active()) {
            startTrainerAt(m_pass + 1);
        } else {
            endTrainer();
        }
    }
    store({{kLeadIn, QString::number(s.leadIn)},
           {kBreath, QString::number(s.breath)},
           {kTrainer, s.trainer ? QStringLiteral("1") : QStringLiteral("0")},
           {kTrainerFrom, QString::number(s.trainerFrom)},
           {kTrainerTo, QString::number(s.trainerTo)},
           {kTrainerStep, QString::number(s.trainerStep)}});
    emit settingsChanged();
    emit statusChanged();
}

void PracticeSession::restore() {
    endBreath();
    endTrainer(true);
    PracticeSettings s;
    s.leadIn = number(read(kLeadIn), 0);
    s.breath = number(read(kBreath), 0);
    s.trainer = number(read(kTrainer), 0) == 1;
    s.trainerFrom = number(read(kTrainerFrom), s.trainerFrom);
    s.trainerTo = number(read(kTrainerTo), s.trainerTo);
    s.trainerStep = number(read(kTrainerStep), s.trainerStep);
    m_settings = s.held();
    m_loop.setLeadIn(m_settings.leadIn);
    m_applying = true;
    m_tempo.setSpeedPercent(number(read(kSpeed), PracticeTempo::kNormalSpeed));
    m_tempo.setTranspose(number(read(kTranspose), 0));
    m_applying = false;
    emit settingsChanged();
    emit statusChanged();
}

void PracticeSession::tempoChanged() {
    if (m_applying) {
        return;
    }
    // A change by hand ends the trainer and is what the track keeps.
    endTrainer(true);
    store({{kSpeed, QString::number(m_tempo.speedPercent())},
           {kTranspose, QString::number(m_tempo.transpose())}});
    emit statusChanged();
}

void PracticeSession::loopChanged() {
    const bool active = m_loop.active();
    if (active && !m_loopWasActive) {
        m_pass = 1;
        if (m_settings.trainer) {
            startTrainerAt(1);
            applyTrainerSpeed();
        }
    } else if (!active) {
        m_pass = 0;
        endTrainer();
        endBreath();
    }
    m_loopWasActive = active;
    emit statusChanged();
}

void PracticeSession::passStarted(MediaBackend* backend) {
    ++m_pass;
    if (trainerRunning()) {
        applyTrainerSpeed();
    }
    if (m_settings.breath > 0 && !breathing()) {
        m_breathBackend = backend;
        m_breathStart = clock();
        backend->pause();
        // Paused just as the engine turned back, the playhead may still read the end of the
        // loop; the breath waits, and the pass starts, exactly at the pass's start.
        backend->seek(m_loop.passStart());
        m_breathTimer.start();
    }
    emit statusChanged();
}

void PracticeSession::applyTrainerSpeed() {
    const PracticeSettings& s = m_settings;
    const int steps = std::max(0, m_pass - m_trainerPass);
    int speed = s.trainerFrom;
    if (s.trainerTo >= s.trainerFrom) {
        speed = std::min(s.trainerTo, s.trainerFrom + steps * s.trainerStep);
    } else {
        speed = std::max(s.trainerTo, s.trainerFrom - steps * s.trainerStep);
    }
    m_applying = true;
    m_tempo.setSpeedPercent(speed);
    m_applying = false;
}

void PracticeSession::tick() {
    if (!breathing()) {
        m_breathTimer.stop();
        return;
    }
    if (clock() - m_breathStart >= m_settings.breath * 1000LL) {
        MediaBackend* backend = m_breathBackend;
        m_breathBackend = nullptr;
        m_breathTimer.stop();
        backend->play();
    }
    emit statusChanged();
}

void PracticeSession::startTrainerAt(int pass) {
    if (!trainerRunning()) {
        m_ownSpeed = m_tempo.speedPercent();
    }
    m_trainerPass = pass;
}

void PracticeSession::endTrainer(bool keepSpeed) {
    if (!trainerRunning()) {
        return;
    }
    m_trainerPass = 0;
    if (!keepSpeed && m_tempo.speedPercent() != m_ownSpeed) {
        m_applying = true;
        m_tempo.setSpeedPercent(m_ownSpeed);
        m_applying = false;
    }
}

void PracticeSession::endBreath() {
    if (!m_breathBackend) {
        return;
    }
    m_breathBackend = nullptr;
    m_breathTimer.stop();
    emit statusChanged();
}

void PracticeSession::store(const QList<QPair<QString, QString>>& values) {
    m_repository.writeValues(m_player.currentTrack(), values);
}

QString PracticeSession::read(const QString& key) {
    return m_repository.value(m_player.currentTrack(), key);
}
