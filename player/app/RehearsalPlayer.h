#pragma once
// The player as controllers outside the window see it: the active component's state, the
// transport commands of modHybrid, the practice speed and loop, the seek bar and volume slider
// of the active component, and the window's open. Stepping between marks, raising and quitting
// are signals the root connects.

#include "engine/PlayerInterface.h"

class OpenController;
class Practice;
class WindowsMediaPlayer;
class MediaComponent;
class MediaPlayer;
class frmRehearsal;
class modHybrid;

class RehearsalPlayer : public PlayerInterface {
    Q_OBJECT
public:
    // Commands that act on the track wait, in order, while a track opens.
    RehearsalPlayer(modHybrid& hybrid, WindowsMediaPlayer& WMP1, MediaPlayer& mp1,
                    OpenController& opener, frmRehearsal& window, QObject* parent = nullptr);
    // The practice speed and loop are reported and set once the practice room exists.
    void setPractice(Practice& practice);

    QString currentTrack() const override;
    MediaBackend::State state() const override;
    double position() const override;
    double length() const override;
    double rate() const override;
    double minimumRate() const override;
    double maximumRate() const override;
    double volume() const override;
    bool looping() const override;
    QMap<QString, QString> tags() const override;
    bool hasTrack() const override;
    MediaBackend& activeBackend() const override;
    void play() override;
    void pause() override;
    void stop() override;
    void playPause() override;
    void nextMark() override;
    void previousMark() override;
    void raise() override;
    void quit() override;
    void setPosition(double seconds) override;
    void setRate(double factor) override;
    void setVolume(double volume) override;
    void setLooping(bool on) override;
    void openFile(const QString& path) override;

signals:
    // Asked of what shows the player (the root wires them): step from the current mark to the
    // next or previous one, as PageDown and PageUp do; bring the window to the front; close it.
    void markStepRequested(bool forward);
    void raiseRequested();
    void quitRequested();

private:
    void watch(MediaComponent& component);

    modHybrid& m_hybrid;
    OpenController& m_opener;
    frmRehearsal& m_window;
    Practice* m_practice = nullptr;
};
