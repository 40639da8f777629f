#pragma once
// One playback engine behind a media component: the real libmpv one in the program, a
// controllable fake in the tests. Everything runs on the GUI thread.

#include <QMap>
#include <QObject>
#include <QString>

class MediaBackend : public QObject {
    Q_OBJECT
public:
    enum class State { Empty, Opening, Playing, Paused, Stopped, Ended, Failed };
    Q_ENUM(State)

    using QObject::QObject;
    ~MediaBackend() override = default;

    // Assigns a track; it starts playing from 0 by itself.
    virtual void load(const QString& path) = 0;
    // Gives up a track that has not started yet: it is dropped and the back end fails with
    // `reason`. Does nothing once the track has started.
    virtual void abandonOpen(const QString& reason) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    // Paused at 0 s with the track still loaded.
    virtual void stop() = 0;
    // Exact seek (not to a key frame).
    virtual void seek(double seconds) = 0;
    // 0 until playback has started; the seek target while a seek is under way and while paused
    // after a seek.
    virtual double position() const = 0;
    virtual double duration() const = 0;
    virtual State state() const = 0;
    // Empty: no track.
    virtual QString path() const = 0;
    // The back end's reason after Failed.
    virtual QString errorText() const = 0;
    virtual void setVolume(int percent) = 0;
    virtual int volume() const = 0;
    // The tags the file carries (title, artist, album, ...), by name in lower case; empty while
    // no track has started or when it has none.
    virtual QMap<QString, QString> tags() const { return {}; }

    // Practice settings; PracticeTempo decides them, the back end only applies them.
    // Playback speed as a factor of normal speed, the pitch kept.
    virtual void setSpeed(double factor) = 0;
    virtual double speed() const = 0;
    // Transposition in semitones, whatever the speed.
    virtual void setTranspose(int semitones) = 0;
    virtual int transpose() const = 0;
    // Plays from `from` to `to` over and over, exactly, until clearLoop() or the next load();
    // a playhead already past `to` goes back to `from` at once. `to` at the duration loops at
    // the end of the track.
    virtual void setLoop(double from, double to) = 0;

    // Clicks mixed into what plays, at `level` 0 to 1 and `bpm` beats a minute. With
    // `everyBeat` (a metronome), one on every beat from `firstBar` (seconds of the track; every
    // fourth beat from there, a bar's first, sounds higher). Between `countFrom` and `countTo`
    // (a count-in) the track itself is silent and the clicks count towards `countTo`, where
    // the music comes in. They are part of the track's sound, so they keep time at any speed
    // and across seeks and loops.
    struct Clicks {
        double bpm = 0;
        double firstBar = 0;
        double level = 0;
        bool everyBeat = true;
        double countFrom = 0;
        double countTo = 0;
        bool counting() const { return countTo > countFrom; }
        bool on() const { return bpm > 0 && level > 0 && (everyBeat || counting()); }
        bool operator==(const Clicks&) const = default;
    };
    virtual void setClicks(const Clicks& clicks) = 0;
    virtual Clicks clicks() const = 0;
    virtual void clearLoop() = 0;
    virtual bool looping() const = 0;

signals:
    void stateChanged(MediaBackend::State state);
    // Emitted once the back end plays (or waits) at the new position.
    void seekCompleted(double oldPosition, double newPosition);
    void durationChanged(double seconds);
    void failed(const QString& reason);
    // Playback goes on through the null audio output: there is no sound device.
    void noAudioDevice();
    // Playback went back to the start of the loop.
    void loopRestarted();
};
