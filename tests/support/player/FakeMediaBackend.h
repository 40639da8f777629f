#pragma once
// A media back end with a clock the test moves: load() plays from 0 at once, the position
// grows only through advance(), seeks complete at once unless told otherwise. Every call is
// recorded.

#include "engine/MediaBackend.h"

#include <QHash>
#include <QStringList>

#include <vector>

class FakeMediaBackend : public MediaBackend {
    Q_OBJECT
public:
    explicit FakeMediaBackend(QObject* parent = nullptr);

    void load(const QString& path) override;
    void play() override;
    void pause() override;
    void stop() override;
    void seek(double seconds) override;
    double position() const override { return m_position; }
    double duration() const override;
    State state() const override { return m_state; }
    QString path() const override { return m_path; }
    QString errorText() const override { return m_error; }
    void setVolume(int percent) override;
    int volume() const override { return m_volume; }

    // Moves the clock; while playing the position grows and stops at the end of the track.
    void advance(double seconds);
    // The length every track has (default 180 s) or one path has.
    void setDuration(double seconds);
    void setDurationFor(const QString& path, double seconds);
    // Loading this path fails with the reason.
    void failLoadOf(const QString& path, const QString& reason);
    // When false, load() waits in Opening until finishOpening().
    bool opensAtOnce = true;
    void finishOpening();
    // When false, seeks wait until completeSeek().
    bool seeksCompleteAtOnce = true;
    void completeSeek();
    void announceNoAudioDevice() { emit noAudioDevice(); }

    QStringList loads;
    std::vector<double> seeks;
    int plays = 0;
    int pauses = 0;
    int stops = 0;

private:
    void setState(State s);

    State m_state = State::Empty;
    QString m_path;
    QString m_error;
    double m_position = 0;
    double m_defaultDuration = 180;
    QHash<QString, double> m_durations;
    QHash<QString, QString> m_failures;
    int m_volume = 100;
    bool m_seekPending = false;
    double m_seekFrom = 0;
};
