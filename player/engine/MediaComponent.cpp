#include "engine/MediaComponent.h"

MediaComponent::MediaComponent(std::unique_ptr<MediaBackend> backend, QObject* parent)
    : QObject(parent), m_backend(std::move(backend)) {
    m_backend->setParent(nullptr);
    connect(m_backend.get(), &MediaBackend::stateChanged, this, &MediaComponent::onStateChanged);
    connect(m_backend.get(), &MediaBackend::seekCompleted, this, &MediaComponent::seeked);
    connect(m_backend.get(), &MediaBackend::failed, this, &MediaComponent::failed);
    connect(m_backend.get(), &MediaBackend::noAudioDevice, this, &MediaComponent::noAudioDevice);
    connect(m_backend.get(), &MediaBackend::durationChanged, this,
            &MediaComponent::durationChanged);
    m_playing = m_backend->state() == MediaBackend::State::Playing;
}

MediaComponent::~MediaComponent() {
    // The back end goes first while the component's signals still exist.
    disconnect(m_backend.get(), nullptr, this, nullptr);
    m_backend.reset();
}

MediaBackend& MediaComponent::backend() {
    return *m_backend;
}
const MediaBackend& MediaComponent::backend() const {
    return *m_backend;
}

bool MediaComponent::hasTrack() const {
    return !m_backend->path().isEmpty();
}
bool MediaComponent::isPlaying() const {
    return m_backend->state() == MediaBackend::State::Playing;
}
bool MediaComponent::isPaused() const {
    return m_backend->state() == MediaBackend::State::Paused;
}
double MediaComponent::position() const {
    return m_backend->position();
}
void MediaComponent::setPosition(double seconds) {
    m_backend->seek(seconds);
}
double MediaComponent::length() const {
    return m_backend->duration();
}

void MediaComponent::play() {
    m_backend->play();
}
void MediaComponent::pause() {
    m_backend->pause();
}
void MediaComponent::stop() {
    m_backend->stop();
}

void MediaComponent::onStateChanged(MediaBackend::State state) {
    const bool playing = state == MediaBackend::State::Playing;
    emit stateChanged(state);
    if (playing != m_playing) {
        m_playing = playing;
        emit playingChanged(playing);
    }
}
