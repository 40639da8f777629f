#pragma once
// The transport operations over the two media components. WmpActive says which component
// is active; every operation reads it at the moment of the call.

#include "engine/MediaPlayer.h"
#include "engine/WindowsMediaPlayer.h"

#include <QString>

class Platform;

class modHybrid {
public:
    modHybrid(WindowsMediaPlayer& WMP1, MediaPlayer& mp1, Platform& platform);

    bool WmpActive = false;
    QString CurrentTrack;

    void LoadTrack(const QString& Path);
    void PlayTrack();
    void PauseTrack();
    void StopTrack();
    void TogglePlayPause();
    void ResumeOrPause();

    // True when the path's last three characters are not "wav" (any letter case). A path
    // shorter than three characters raises errInvalidArgument.
    static bool choosesWmp(const QString& path);

    MediaComponent& active();
    const MediaComponent& active() const;
    bool activeHasTrack() const;
    double position() const;
    void setPosition(double seconds);
    double duration() const;

private:
    bool activePlaying() const;
    bool activePaused() const;

    WindowsMediaPlayer& m_wmp;
    MediaPlayer& m_mp;
    Platform& m_platform;
};
