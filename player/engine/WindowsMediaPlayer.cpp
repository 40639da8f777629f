#include "engine/WindowsMediaPlayer.h"

WindowsMediaPlayer::WindowsMediaPlayer(std::unique_ptr<MediaBackend> backend, QObject* parent)
    : MediaComponent(std::move(backend), parent) {
    m_lastPlayState = playState();
    connect(this, &MediaComponent::stateChanged, this, [this](MediaBackend::State state) {
        const int code = playStateFor(state);
        if (code == m_lastPlayState) {
            return;
        }
        m_lastPlayState = code;
        emit PlayStateChange(code);
    });
    connect(this, &MediaComponent::seeked, this, &WindowsMediaPlayer::PositionChange);
}

QString WindowsMediaPlayer::URL() const {
    return backend().path();
}
void WindowsMediaPlayer::setURL(const QString& url) {
    backend().load(url);
}

void WindowsMediaPlayer::Controls::play() {
    owner.play();
}
void WindowsMediaPlayer::Controls::pause() {
    owner.pause();
}
void WindowsMediaPlayer::Controls::stop() {
    owner.stop();
}
double WindowsMediaPlayer::Controls::currentPosition() const {
    return owner.position();
}
void WindowsMediaPlayer::Controls::setCurrentPosition(double seconds) {
    owner.setPosition(seconds);
}

double WindowsMediaPlayer::Media::duration() const {
    return owner.length();
}
QString WindowsMediaPlayer::Media::sourceURL() const {
    return owner.URL();
}

int WindowsMediaPlayer::playState() const {
    return playStateFor(backend().state());
}

int WindowsMediaPlayer::playStateFor(MediaBackend::State state) {
    switch (state) {
    case MediaBackend::State::Empty:
        return wmppsUndefined;
    case MediaBackend::State::Opening:
        return wmppsTransitioning;
    case MediaBackend::State::Playing:
        return wmppsPlaying;
    case MediaBackend::State::Paused:
        return wmppsPaused;
    case MediaBackend::State::Stopped:
        return wmppsStopped;
    case MediaBackend::State::Ended:
        return wmppsMediaEnded;
    case MediaBackend::State::Failed:
        return wmppsReady;
    }
    return wmppsUndefined;
}
