#pragma once
// The real back end: one libmpv handle, audio only, exact seeks, the track kept loaded at its
// end. libmpv's events reach the GUI thread through its wakeup callback, which only posts a
// queued call; that call drains the event queue.

#include "engine/MediaBackend.h"

#include <QTimer>

#include <string>
#include <utility>
#include <vector>

struct mpv_handle;
struct mpv_event;

class MpvBackend : public MediaBackend {
    Q_OBJECT
public:
    using Options = std::vector<std::pair<std::string, std::string>>;

    // `overrides` are libmpv options set after the program's own (tests send the sound to a
    // file with them).
    explicit MpvBackend(QObject* parent = nullptr, const Options& overrides = {});
    ~MpvBackend() override;

    void load(const QString& path) override;
    void play() override;
    void pause() override;
    void stop() override;
    void seek(double seconds) override;
    double position() const override;
    double duration() const override { return m_duration; }
    State state() const override { return m_state; }
    QString path() const override { return m_path; }
    QString errorText() const override { return m_error; }
    void setVolume(int percent) override;
    int volume() const override { return m_volume; }
    void setSpeed(double factor) override;
    // Read back from libmpv.
    double speed() const override;
    void setTranspose(int semitones) override;
    int transpose() const override { return m_transpose; }
    void setLoop(double from, double to) override;
    void clearLoop() override;
    bool looping() const override { return m_loop; }

    // libmpv's own playback position, without the corrections position() makes.
    double enginePosition() const;
    // The audio output in use ("null" when there is no sound device).
    QString audioOutput() const;
    // libmpv's audio filter chain and A-B loop points, as libmpv reports them.
    QString audioFilters() const;
    QString loopPoints() const;

    // How long a track may take to start playing before it counts as failed.
    static constexpr int openTimeoutMs = 10000;

private:
    void drainEvents();
    void handleEvent(const mpv_event& event);
    void onPlaybackRestart();
    void readDuration();
    void setState(State s);
    void fail(const QString& reason);
    void setPaused(bool paused);
    void commandSeek(double seconds);
    void setFilterChain(bool withPitch);
    void setLoopPoints(const QByteArray& from, const QByteArray& to);

    mpv_handle* m_mpv = nullptr;
    QTimer m_openTimer;
    State m_state = State::Empty;
    QString m_path;
    QString m_error;
    double m_duration = 0;
    int m_volume = 100;
    bool m_noDeviceAnnounced = false;
    double m_speed = 1.0;
    int m_transpose = 0;
    // The pitch shifter joins the chain at the first transposition and stays, retuned in
    // place, until the next track: taking it out or rebuilding it mid-track skips its latency.
    bool m_pitchInChain = false;
    bool m_loop = false;
    double m_loopFrom = 0;
    double m_loopTo = 0;

    // The playlist entry of the current track; events of earlier entries are ignored.
    long long m_entryId = -1;
    bool m_entryStarted = false;
    bool m_fileLoaded = false;
    bool m_started = false;
    // Requested while the track was still opening; applied when it starts.
    State m_stateOnStart = State::Playing;
    bool m_pendingStartSeek = false;
    double m_startSeek = 0;

    // While a seek is under way, and while paused after it, libmpv's position reads early:
    // the target is reported instead.
    bool m_seekPending = false;
    bool m_seekReported = false;
    double m_seekFrom = 0;
    bool m_hold = false;
    double m_holdValue = 0;
    // Right after resuming from a held position, never report less than it.
    mutable bool m_floorActive = false;
    mutable double m_floor = 0;
    // The playhead has been inside the loop since it was set or last sought.
    mutable bool m_loopInside = false;
};
