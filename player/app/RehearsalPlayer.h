#pragma once
// The player as controllers outside the window see it: the active component's state, the
// transport commands of modHybrid, the practice speed, and the mark-stepping keys.

#include "engine/PlayerInterface.h"

class OpenController;
class PracticeTempo;
class WindowsMediaPlayer;
class MediaPlayer;
class frmRehearsal;
class modHybrid;

class RehearsalPlayer : public PlayerInterface {
    Q_OBJECT
public:
    // Commands that act on the track wait, in order, while a track opens.
    RehearsalPlayer(modHybrid& hybrid, WindowsMediaPlayer& WMP1, MediaPlayer& mp1,
                    OpenController& opener, frmRehearsal& window, QObject* parent = nullptr);
    // The practice speed is reported once the practice tools exist.
    void setTempo(PracticeTempo& tempo);

    QString currentTrack() const override;
    MediaBackend::State state() const override;
    double position() const override;
    double length() const override;
    double rate() const override;
    void play() override;
    void pause() override;
    void stop() override;
    void playPause() override;
    void nextMark() override;
    void previousMark() override;
    void raise() override;
    void quit() override;

private:
    void press(int virtualKey);

    modHybrid& m_hybrid;
    OpenController& m_opener;
    frmRehearsal& m_window;
};
