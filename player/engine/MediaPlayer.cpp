#include "engine/MediaPlayer.h"

QString MediaPlayer::FileName() const {
    return backend().path();
}
void MediaPlayer::setFileName(const QString& fileName) {
    backend().load(fileName);
}
void MediaPlayer::Play() {
    play();
}
void MediaPlayer::Pause() {
    pause();
}
void MediaPlayer::Stop() {
    stop();
}
double MediaPlayer::CurrentPosition() const {
    return position();
}
void MediaPlayer::setCurrentPosition(double seconds) {
    setPosition(seconds);
}
double MediaPlayer::Duration() const {
    return length();
}
int MediaPlayer::PlayState() const {
    return playStateFor(backend().state());
}

int MediaPlayer::playStateFor(MediaBackend::State state) {
    switch (state) {
    case MediaBackend::State::Playing:
        return mpPlaying;
    case MediaBackend::State::Paused:
        return mpPaused;
    default:
        return mpStopped;
    }
}
