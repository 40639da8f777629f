#pragma once
// Where playback stands, decided in one place: the state of the track (idle, opening, ready,
// playing, paused, seeking, ended, failed), its length and the position the program sees.
// Commands come from the components, events from the engine adapter; the engine itself is
// driven through PlayheadEngine, so the rules run and are tested without libmpv.

#include "engine/MediaBackend.h"

#include <QString>

#include <functional>

// What the playhead asks of the engine, in the order it asks it.
class PlayheadEngine {
public:
    virtual ~PlayheadEngine() = default;
    virtual void setPaused(bool paused) = 0;
    // Exact seek, completed later by Playhead::restarted().
    virtual void seekExact(double seconds) = 0;
    // Drops the track: it never started or has no length.
    virtual void unload() = 0;
    virtual void setLoopPoints(double from, double to) = 0;
    virtual void clearLoopPoints() = 0;
    // The engine's own playback position (may read early around seeks and loops).
    virtual double time() const = 0;
};

class Playhead {
public:
    enum class Phase { Idle, Opening, Ready, Playing, Paused, Seeking, Ended, Failed };
    using State = MediaBackend::State;

    struct Listener {
        std::function<void(State)> stateChanged;
        std::function<void(double oldPosition, double newPosition)> seekCompleted;
        std::function<void(double seconds)> lengthChanged;
        std::function<void(const QString& reason)> failed;
        std::function<void()> loopRestarted;
    };

    explicit Playhead(PlayheadEngine& engine) : m_engine(engine) {}
    Listener notify;
    // The notices a back end built on a playhead gives: its own signals, with a failure's
    // reason kept in `error` before the failed signal goes out.
    static Listener noticesOf(MediaBackend& backend, QString& error);

    // Commands.
    void load();
    void play();
    void pause();
    // Paused at 0 with the track kept.
    void stop();
    void seek(double seconds);
    void setLoop(double from, double to);
    void clearLoop();
    void fail(const QString& reason);

    // Engine events. A length <= 0 means the engine does not know it (yet).
    void fileLoaded(double length);
    // A property notification: may be stale, merged with others or never come.
    void lengthReported(double length);
    // Playback (re)started: after loading, after a seek, or by the engine's own loop.
    void restarted(double length);
    // The engine moved the playhead (libmpv's loop does so without being asked).
    void engineSeeked();
    // The engine read the end of the file; the output may still be playing its last sound.
    void endOfFileReached();
    // The engine closed the file: at its end, or with an error.
    void fileEnded(bool error, const QString& reason);
    void openTimedOut(const QString& reason);

    Phase phase() const { return m_phase; }
    // The state the components see: a seek shows the state it leads to.
    State state() const;
    double length() const { return m_length; }
    bool looping() const { return m_loop; }
    // 0 until playback has started; the target while a seek is under way and while paused
    // after one.
    double position() const;

private:
    void setPhase(Phase phase);
    void announce(State before);
    void setLength(double seconds);
    void startSeek(double target, bool reported);
    static State stateOf(Phase phase);

    PlayheadEngine& m_engine;
    Phase m_phase = Phase::Idle;
    // Where a seek leads: Playing, Paused or Ready.
    Phase m_afterSeek = Phase::Playing;
    double m_length = 0;
    bool m_fileLoaded = false;
    // Asked for while the track was still opening; applied when it starts.
    Phase m_onStart = Phase::Playing;
    bool m_startSeekPending = false;
    double m_startSeek = 0;

    bool m_seekReported = false;
    double m_seekFrom = 0;
    // Paused or seeking, the engine's reading drifts back by what the output still buffered:
    // the held value is reported instead.
    bool m_hold = false;
    double m_holdValue = 0;
    // Right after resuming from a held position, never report less than it.
    mutable bool m_floorActive = false;
    mutable double m_floor = 0;

    bool m_loop = false;
    double m_loopFrom = 0;
    double m_loopTo = 0;
    // The playhead has been inside the loop since it was set or last sought.
    mutable bool m_loopInside = false;
};
