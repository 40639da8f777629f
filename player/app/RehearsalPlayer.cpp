#include "app/RehearsalPlayer.h"

#include "engine/OpenController.h"
#include "engine/PracticeTempo.h"
#include "engine/modHybrid.h"
#include "practice/LoopBetweenMarks.h"
#include "practice/Practice.h"
#include "window/MediaComponentView.h"
#include "window/frmRehearsal.h"

#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>

RehearsalPlayer::RehearsalPlayer(modHybrid& hybrid, WindowsMediaPlayer& WMP1, MediaPlayer& mp1,
                                 OpenController& opener, frmRehearsal& window, QObject* parent)
    : PlayerInterface(parent), m_hybrid(hybrid), m_opener(opener), m_window(window) {
    watch(WMP1);
    watch(mp1);
    for (MediaComponentView* view : {window.WMP1View, window.mp1View}) {
        connect(view->volumeSlider(), &QSlider::valueChanged, this,
                &PlayerInterface::volumeChanged);
    }
    connect(&window, &frmRehearsal::trackOpened, this, &PlayerInterface::trackOpened);
}

void RehearsalPlayer::watch(MediaComponent& component) {
    connect(&component, &MediaComponent::stateChanged, this, &PlayerInterface::stateChanged);
    connect(&component, &MediaComponent::durationChanged, this, &PlayerInterface::stateChanged);
    // Only the component that plays the current track speaks for it: the other one is moved
    // about while a track opens or comes back after a failed open.
    connect(&component, &MediaComponent::seeked, this,
            [this, &component](double, double newPosition) {
                if (&m_hybrid.active() == &component) {
                    emit seeked(newPosition);
                }
            });
    connect(&component.backend(), &MediaBackend::loopRestarted, this, [this, &component] {
        if (&m_hybrid.active() != &component) {
            return;
        }
        // The engine reads the end of the loop until the sound it buffered has played; the
        // pass heard next begins where the loop begins.
        const LoopBetweenMarks* loop = m_practice ? &m_practice->loop() : nullptr;
        emit seeked(loop && loop->active() ? loop->passStart() : m_hybrid.position());
    });
}

void RehearsalPlayer::setPractice(Practice& practice) {
    m_practice = &practice;
    connect(&practice.tempo(), &PracticeTempo::changed, this, &PlayerInterface::rateChanged);
    connect(&practice.loop(), &LoopBetweenMarks::changed, this, &PlayerInterface::loopingChanged);
}

QString RehearsalPlayer::currentTrack() const {
    return m_hybrid.CurrentTrack;
}
MediaBackend::State RehearsalPlayer::state() const {
    return m_hybrid.active().backend().state();
}
double RehearsalPlayer::position() const {
    return m_hybrid.position();
}
double RehearsalPlayer::length() const {
    return m_hybrid.duration();
}
double RehearsalPlayer::rate() const {
    return m_hybrid.active().backend().speed();
}
double RehearsalPlayer::minimumRate() const {
    return PracticeTempo::kMinSpeed / 100.0;
}
double RehearsalPlayer::maximumRate() const {
    return PracticeTempo::kMaxSpeed / 100.0;
}
double RehearsalPlayer::volume() const {
    return m_hybrid.active().backend().volume() / 100.0;
}
bool RehearsalPlayer::looping() const {
    return m_practice && m_practice->loop().active();
}
QMap<QString, QString> RehearsalPlayer::tags() const {
    if (!m_hybrid.activeHasTrack()) {
        return {};
    }
    return m_hybrid.active().backend().tags();
}

bool RehearsalPlayer::hasTrack() const {
    return m_hybrid.activeHasTrack();
}
MediaBackend& RehearsalPlayer::activeBackend() const {
    return m_hybrid.active().backend();
}

void RehearsalPlayer::play() {
    m_opener.whenSettled([this] { m_hybrid.PlayTrack(); });
}
void RehearsalPlayer::pause() {
    m_opener.whenSettled([this] { m_hybrid.PauseTrack(); });
}
void RehearsalPlayer::stop() {
    m_opener.whenSettled([this] { m_hybrid.StopTrack(); });
}
void RehearsalPlayer::playPause() {
    // A headset has one button for both; a playing track pauses rather than restarting.
    m_opener.whenSettled([this] {
        if (m_hybrid.active().isPlaying()) {
            m_hybrid.PauseTrack();
        } else {
            m_hybrid.PlayTrack();
        }
    });
}

void RehearsalPlayer::nextMark() {
    m_opener.whenSettled([this] { emit markStepRequested(true); });
}
void RehearsalPlayer::previousMark() {
    m_opener.whenSettled([this] { emit markStepRequested(false); });
}

void RehearsalPlayer::raise() {
    emit raiseRequested();
}
void RehearsalPlayer::quit() {
    emit quitRequested();
}

void RehearsalPlayer::setPosition(double seconds) {
    m_opener.whenSettled([this, seconds] {
        if (m_hybrid.activeHasTrack()) {
            m_hybrid.setPosition(std::max(0.0, seconds));
        }
    });
}

void RehearsalPlayer::setRate(double factor) {
    // Far outside the range a factor only needs to stay far outside it in whole percent.
    const int percent = static_cast<int>(std::lround(std::clamp(factor, 0.0, 10.0) * 100));
    m_opener.whenSettled([this, percent] {
        if (m_practice) {
            m_practice->tempo().setSpeedPercent(percent);
        }
    });
}

void RehearsalPlayer::setVolume(double volume) {
    const int percent = static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * 100));
    m_opener.whenSettled([this, percent] {
        // The slider sets the component's volume, as a drag of it does, and shows the value.
        MediaComponentView* view = m_hybrid.WmpActive ? m_window.WMP1View : m_window.mp1View;
        view->volumeSlider()->setValue(percent);
    });
}

void RehearsalPlayer::setLooping(bool on) {
    m_opener.whenSettled([this, on] {
        if (m_practice && m_practice->loop().active() != on) {
            m_practice->loop().toggle();
        }
    });
}

void RehearsalPlayer::openFile(const QString& path) {
    // After the caller has had its answer: a track that cannot be played is reported in a
    // modal box, which must not hold the caller's reply until the user closes it.
    QTimer::singleShot(0, this, [this, path] {
        QString track = path;
        m_window.OpenTrack(track);
    });
}
