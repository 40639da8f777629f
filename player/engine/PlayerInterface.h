#pragma once
// What controllers outside the window see of the player: the desktop's media controls and
// the practice tools. They read the state of the active component and give commands; none of
// them reaches into the window.

#include "engine/MediaBackend.h"

#include <QObject>
#include <QString>

class PlayerInterface : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PlayerInterface() override = default;

    // Empty while no track has opened.
    virtual QString currentTrack() const = 0;
    // Of the active component.
    virtual MediaBackend::State state() const = 0;
    virtual double position() const = 0;
    virtual double length() const = 0;
    // The practice speed as a factor of normal speed.
    virtual double rate() const = 0;

    // The PLAY, PAUSE and STOP commands.
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    // Pauses a playing track; anything else is PLAY.
    virtual void playPause() = 0;
    // The same as the next-mark and previous-mark keys.
    virtual void nextMark() = 0;
    virtual void previousMark() = 0;
    virtual void raise() = 0;
    virtual void quit() = 0;

signals:
    // The state, track or length of the active component changed.
    void stateChanged();
    void rateChanged();
    // A track has opened completely: marks laid out, title and running time shown.
    void trackOpened();
};
