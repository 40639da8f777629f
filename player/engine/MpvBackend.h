#pragma once
// The real playback engine: one libmpv handle, audio only, exact seeks, the track kept loaded
// at its end. libmpv's events are drained on the GUI thread: its wakeup callback only posts a
// queued call.

#include "engine/MediaBackend.h"

#include <optional>

struct mpv_handle;
struct mpv_event;

class MpvBackend : public MediaBackend {
    Q_OBJECT
public:
    explicit MpvBackend(QObject* parent = nullptr);
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

    // A property of the handle read back as text, for tests and benchmarks.
    QString property(const char* name) const;
    void setProperty(const char* name, const QString& value);

private slots:
    void drainEvents();

private:
    void handle(const mpv_event& event);
    void setState(State s);
    void fail(const QString& reason);
    void updatePlayingState();
    void command(std::initializer_list<const char*> args);

    mpv_handle* m_mpv = nullptr;
    State m_state = State::Empty;
    QString m_path;
    QString m_error;
    QString m_lastLogError;
    double m_timePos = 0;
    double m_duration = 0;
    bool m_loaded = false;
    bool m_started = false;
    bool m_paused = false;
    bool m_stopped = false;
    bool m_ended = false;
    bool m_toldNoAudio = false;
    // Reported as the position while a seek is under way and while paused after one: libmpv's
    // own time reads early until playback resumes.
    std::optional<double> m_seekTarget;
    bool m_seekPending = false;
    double m_seekFrom = 0;
    int m_volume = 100;
};
