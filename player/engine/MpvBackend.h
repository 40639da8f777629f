#pragma once
// The real back end: one libmpv handle, audio only, exact seeks, the track kept loaded at its
// end. libmpv's events reach the GUI thread through its wakeup callback, which only posts a
// queued call; that call drains the event queue.

#include "engine/MediaBackend.h"
#include "engine/Playhead.h"

#include <string>
#include <utility>
#include <vector>

struct mpv_handle;
struct mpv_event;

class MpvBackend : public MediaBackend, private PlayheadEngine {
    Q_OBJECT
public:
    using Options = std::vector<std::pair<std::string, std::string>>;

    // `overrides` are libmpv options set after the program's own (tests send the sound to a
    // file with them).
    explicit MpvBackend(QObject* parent = nullptr, const Options& overrides = {});
    ~MpvBackend() override;

    void load(const QString& path) override;
    void abandonOpen(const QString& reason) override;
    void play() override;
    void pause() override;
    void stop() override;
    void seek(double seconds) override;
    double position() const override { return m_playhead.position(); }
    double duration() const override { return m_playhead.length(); }
    State state() const override { return m_playhead.state(); }
    QString path() const override { return m_path; }
    QString errorText() const override { return m_error; }
    void setVolume(int percent) override;
    int volume() const override { return m_volume; }
    // libmpv's metadata of the file it plays.
    QMap<QString, QString> tags() const override;
    void setSpeed(double factor) override;
    // Read back from libmpv.
    double speed() const override;
    void setTranspose(int semitones) override;
    int transpose() const override { return m_transpose; }
    void setClicks(const Clicks& clicks) override;
    Clicks clicks() const override { return m_clicks; }
    void setLoop(double from, double to) override;
    void clearLoop() override;
    bool looping() const override { return m_playhead.looping(); }

    // libmpv's own playback position, without the corrections position() makes.
    double enginePosition() const { return time(); }
    // The audio output in use ("null" when there is no sound device).
    QString audioOutput() const;
    // libmpv's audio filter chain and A-B loop points, as libmpv reports them.
    QString audioFilters() const;
    QString loopPoints() const;

private:
    // PlayheadEngine
    void setPaused(bool paused) override;
    void seekExact(double seconds) override;
    void unload() override;
    void setLoopPoints(double from, double to) override;
    void clearLoopPoints() override;
    double time() const override;

    void drainEvents();
    void handleEvent(const mpv_event& event);
    double readDuration() const;
    void setFilterChain(bool withPitch);
    // The click filter of the chain for m_clicks; empty when they are off.
    QByteArray clickFilter() const;
    void setLoopProperties(const char* from, const char* to);
    bool usable() const;

    mpv_handle* m_mpv = nullptr;
    Playhead m_playhead{*this};
    QString m_path;
    QString m_error;
    int m_volume = 100;
    bool m_noDeviceAnnounced = false;
    double m_speed = 1.0;
    int m_transpose = 0;
    Clicks m_clicks;
    // The pitch shifter joins the chain at the first transposition and stays, retuned in
    // place, until the next track: taking it out or rebuilding it mid-track skips its latency.
    bool m_pitchInChain = false;
    // The playlist entry of the current track; events of earlier entries are ignored.
    long long m_entryId = -1;
    bool m_entryStarted = false;
};
