#pragma once
// A media back end with a clock the test moves: load() plays from 0 at once, the position
// grows only through advance(), seeks complete at once unless told otherwise. Every call is
// recorded. What it reports (state, position, length) is decided by the same Playhead as the
// program's libmpv back end; only the engine under it is faked.

#include "engine/MediaBackend.h"
#include "engine/Playhead.h"

#include <QHash>
#include <QStringList>

#include <vector>

class FakeMediaBackend : public MediaBackend, private PlayheadEngine {
    Q_OBJECT
public:
    explicit FakeMediaBackend(QObject* parent = nullptr);

    void load(const QString& path) override;
    void abandonOpen(const QString& reason) override;
    void play() override;
    void pause() override;
    void stop() override;
    void seek(double seconds) override;
    double position() const override { return m_playhead.position(); }
    double duration() const override;
    State state() const override { return m_playhead.state(); }
    QString path() const override { return m_path; }
    QString errorText() const override { return m_error; }
    void setVolume(int percent) override;
    int volume() const override { return m_volume; }
    QMap<QString, QString> tags() const override { return fileTags; }
    void setSpeed(double factor) override { m_speed = factor; }
    double speed() const override { return m_speed; }
    void setTranspose(int semitones) override { m_transpose = semitones; }
    int transpose() const override { return m_transpose; }
    void setClicks(const Clicks& clicks) override { m_clicks = clicks; }
    Clicks clicks() const override { return m_clicks; }
    // A loop bends advance(): passing its end goes back to its start.
    void setLoop(double from, double to) override;
    void clearLoop() override { m_playhead.clearLoop(); }
    bool looping() const override { return m_playhead.looping(); }
    double loopFrom() const { return m_loopFrom; }
    double loopTo() const { return m_loopTo; }

    // Moves the clock (track time, whatever the speed); while playing the position grows and
    // stops at the end of the track.
    void advance(double seconds);
    // The length every track has (default 180 s) or one path has.
    void setDuration(double seconds);
    void setDurationFor(const QString& path, double seconds);
    // The open track's length becomes known only now (a pipe whose sound has come).
    void lengthBecomesKnown(double seconds) { m_playhead.lengthReported(seconds); }
    // Loading this path fails with the reason.
    void failLoadOf(const QString& path, const QString& reason);
    // When false, load() waits in Opening until finishOpening().
    bool opensAtOnce = true;
    // When false, abandonOpen() does nothing: the track stays opening.
    bool givesUpOpens = true;
    void finishOpening();
    // When false, seeks wait until completeSeek().
    bool seeksCompleteAtOnce = true;
    void completeSeek();
    void announceNoAudioDevice() { emit noAudioDevice(); }

    // What tags() reports.
    QMap<QString, QString> fileTags;
    QStringList loads;
    std::vector<double> seeks;
    int plays = 0;
    int pauses = 0;
    int stops = 0;

private:
    // The engine under the playhead: a clock that moves only through advance().
    void setPaused(bool paused) override { m_enginePaused = paused; }
    void seekExact(double seconds) override;
    void unload() override;
    void setLoopPoints(double from, double to) override;
    void clearLoopPoints() override {}
    double time() const override { return m_time; }
    double lengthOf(const QString& path) const;

    Playhead m_playhead{*this};
    QString m_path;
    QString m_error;
    double m_time = 0;
    bool m_enginePaused = false;
    double m_defaultDuration = 180;
    QHash<QString, double> m_durations;
    QHash<QString, QString> m_failures;
    int m_volume = 100;
    double m_speed = 1.0;
    int m_transpose = 0;
    Clicks m_clicks;
    double m_loopFrom = 0;
    double m_loopTo = 0;
    bool m_seekPending = false;
};
