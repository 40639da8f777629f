#pragma once
// Common base of the two media components (WMP1 and mp1): one back end, the state tests the
// window and the mark code need, and the notifications both components give.

#include "engine/MediaBackend.h"

#include <QObject>

#include <memory>

class MediaComponent : public QObject {
    Q_OBJECT
public:
    explicit MediaComponent(std::unique_ptr<MediaBackend> backend, QObject* parent = nullptr);
    ~MediaComponent() override;

    MediaBackend& backend();
    const MediaBackend& backend() const;

    bool hasTrack() const;
    bool isPlaying() const;
    bool isPaused() const;
    double position() const;
    void setPosition(double seconds);
    double length() const;

    // Transport used by the component's own controls.
    void play();
    void pause();
    void stop();

signals:
    // Start and end of playing, for the running-time timer.
    void playingChanged(bool playing);
    void seeked(double oldPosition, double newPosition);
    void failed(const QString& reason);
    void noAudioDevice();
    void stateChanged(MediaBackend::State state);
    void durationChanged(double seconds);

private:
    void onStateChanged(MediaBackend::State state);

    std::unique_ptr<MediaBackend> m_backend;
    bool m_playing = false;
};
