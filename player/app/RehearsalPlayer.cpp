#include "app/RehearsalPlayer.h"

#include "engine/OpenController.h"
#include "engine/PracticeTempo.h"
#include "engine/modHybrid.h"
#include "platform/VirtualKeys.h"
#include "window/frmRehearsal.h"

RehearsalPlayer::RehearsalPlayer(modHybrid& hybrid, WindowsMediaPlayer& WMP1, MediaPlayer& mp1,
                                 OpenController& opener, frmRehearsal& window, QObject* parent)
    : PlayerInterface(parent), m_hybrid(hybrid), m_opener(opener), m_window(window) {
    for (MediaComponent* c :
         {static_cast<MediaComponent*>(&WMP1), static_cast<MediaComponent*>(&mp1)}) {
        connect(c, &MediaComponent::stateChanged, this, &PlayerInterface::stateChanged);
        connect(c, &MediaComponent::durationChanged, this, &PlayerInterface::stateChanged);
    }
    connect(&window, &frmRehearsal::trackOpened, this, &PlayerInterface::trackOpened);
}

void RehearsalPlayer::setTempo(PracticeTempo& tempo) {
    connect(&tempo, &PracticeTempo::changed, this, &PlayerInterface::rateChanged);
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

void RehearsalPlayer::press(int virtualKey) {
    m_opener.whenSettled([this, virtualKey] {
        m_window.keyDown(virtualKey);
        m_window.keyUp(virtualKey);
    });
}
void RehearsalPlayer::nextMark() {
    press(VirtualKeys::PageDown);
}
void RehearsalPlayer::previousMark() {
    press(VirtualKeys::PageUp);
}

void RehearsalPlayer::raise() {
    m_window.raise();
    m_window.activateWindow();
}
void RehearsalPlayer::quit() {
    m_window.close();
}
