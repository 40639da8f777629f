#pragma once
// mp1: the component of the older generation, with its FileName member and its own
// play-state codes (0 stopped, 1 paused, 2 playing). It has no notifications of its own; the
// window uses the common playingChanged and seeked signals.

#include "engine/MediaComponent.h"

class MediaPlayer : public MediaComponent {
    Q_OBJECT
public:
    enum PlayStateCode { mpStopped = 0, mpPaused = 1, mpPlaying = 2 };

    using MediaComponent::MediaComponent;

    QString FileName() const;
    // Assigning starts playing from 0.
    void setFileName(const QString& fileName);
    void Play();
    void Pause();
    void Stop();
    double CurrentPosition() const;
    void setCurrentPosition(double seconds);
    double Duration() const;
    int PlayState() const;
    static int playStateFor(MediaBackend::State state);
};
