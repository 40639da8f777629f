#pragma once
// What controllers outside the window see of the player: the desktop's media controls, the
// practice room and the strip's timeline. They read the state of the active component and give
// commands; none of them reaches into the window.

#include "engine/MediaBackend.h"

#include <QMap>
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
    // The practice speed as a factor of normal speed, and its range.
    virtual double rate() const = 0;
    virtual double minimumRate() const = 0;
    virtual double maximumRate() const = 0;
    // The active component's volume, 0 to 1.
    virtual double volume() const = 0;
    // The loop between marks runs.
    virtual bool looping() const = 0;
    // The current track's own tags, by name in lower case (title, artist, album, ...).
    virtual QMap<QString, QString> tags() const = 0;
    // The active component has a track loaded.
    virtual bool hasTrack() const = 0;
    // The back end of the active component: what the loop between marks turns back on, a
    // breath pauses, and the strip's playhead reads.
    virtual MediaBackend& activeBackend() const = 0;

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
    // The same seek as the component's seek bar, on the active component.
    virtual void setPosition(double seconds) = 0;
    // The practice speed as the speed keys set it: held within its range and snapped to its
    // steps.
    virtual void setRate(double factor) = 0;
    // As the volume slider of the active component sets it (and shows it); 0 to 1.
    virtual void setVolume(double volume) = 0;
    // On: the loop between marks starts from the current mark, as the loop key starts it.
    // Off: the running loop ends. Either does nothing when the loop already is so.
    virtual void setLooping(bool on) = 0;
    // Opens a track as the window opens one, with its messages when it cannot be played.
    virtual void openFile(const QString& path) = 0;

signals:
    // The state, track or length of the active component changed.
    void stateChanged();
    void rateChanged();
    void volumeChanged();
    void loopingChanged();
    // Playback jumped to `seconds` otherwise than by playing on: a seek, a go-to, a step to a
    // mark, the loop turning back.
    void seeked(double seconds);
    // A track has opened completely: marks laid out, title and running time shown.
    void trackOpened();
};
