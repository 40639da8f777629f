#pragma once
// The player interface with state the test sets and commands it records, for controllers that
// talk to the player (the desktop media controls, the practice room).

#include "engine/PlayerInterface.h"
#include "player/FakeMediaBackend.h"

#include <QStringList>

#include <vector>

class FakePlayer : public PlayerInterface {
    Q_OBJECT
public:
    using PlayerInterface::PlayerInterface;

    QString currentTrack() const override { return track; }
    MediaBackend::State state() const override { return playState; }
    double position() const override { return at; }
    double length() const override { return trackLength; }
    double rate() const override { return speed; }
    double minimumRate() const override { return 0.5; }
    double maximumRate() const override { return 1.5; }
    double volume() const override { return level; }
    bool looping() const override { return loopOn; }
    QMap<QString, QString> tags() const override { return fileTags; }
    bool hasTrack() const override { return !track.isEmpty(); }
    MediaBackend& activeBackend() const override { return media; }

    void play() override { commands << QStringLiteral("play"); }
    void pause() override { commands << QStringLiteral("pause"); }
    void stop() override { commands << QStringLiteral("stop"); }
    void playPause() override { commands << QStringLiteral("playPause"); }
    void nextMark() override { commands << QStringLiteral("nextMark"); }
    void previousMark() override { commands << QStringLiteral("previousMark"); }
    void raise() override { commands << QStringLiteral("raise"); }
    void quit() override { commands << QStringLiteral("quit"); }
    void setPosition(double seconds) override { positions.push_back(seconds); }
    void setRate(double factor) override { rates.push_back(factor); }
    void setVolume(double volume) override { volumes.push_back(volume); }
    void setLooping(bool on) override { loopings.push_back(on); }
    void openFile(const QString& path) override { opened << path; }

    // Opens `path` at once: the track is current, stopped at 0, and trackOpened() follows.
    void openNow(const QString& path, double seconds, QMap<QString, QString> withTags = {}) {
        track = path;
        trackLength = seconds;
        fileTags = std::move(withTags);
        at = 0;
        playState = MediaBackend::State::Stopped;
        emit trackOpened();
    }

    QString track;
    MediaBackend::State playState = MediaBackend::State::Empty;
    double at = 0;
    double trackLength = 0;
    double speed = 1.0;
    double level = 1.0;
    bool loopOn = false;
    QMap<QString, QString> fileTags;
    // The active component's back end.
    mutable FakeMediaBackend media;

    QStringList commands;
    std::vector<double> positions;
    std::vector<double> rates;
    std::vector<double> volumes;
    std::vector<bool> loopings;
    QStringList opened;
};
