#include "engine/modHybrid.h"

#include "base/AppIdentity.h"
#include "base/Runtime.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

modHybrid::modHybrid(WindowsMediaPlayer& WMP1, MediaPlayer& mp1, Platform& platform)
    : m_wmp(WMP1), m_mp(mp1), m_platform(platform) {}

bool modHybrid::choosesWmp(const QString& path) {
    if (path.size() < 3) {
        throw RuntimeError(errInvalidArgument,
                           QStringLiteral("Invalid procedure call or argument"));
    }
    return path.right(3).compare(QLatin1String("wav"), Qt::CaseInsensitive) != 0;
}

MediaComponent& modHybrid::active() {
    return WmpActive ? static_cast<MediaComponent&>(m_wmp) : static_cast<MediaComponent&>(m_mp);
}

const MediaComponent& modHybrid::active() const {
    return WmpActive ? static_cast<const MediaComponent&>(m_wmp)
                     : static_cast<const MediaComponent&>(m_mp);
}

// Each component is asked with its own play-state codes.
bool modHybrid::activePlaying() const {
    return WmpActive ? m_wmp.playState() == WindowsMediaPlayer::wmppsPlaying
                     : m_mp.PlayState() == MediaPlayer::mpPlaying;
}

bool modHybrid::activePaused() const {
    return WmpActive ? m_wmp.playState() == WindowsMediaPlayer::wmppsPaused
                     : m_mp.PlayState() == MediaPlayer::mpPaused;
}

bool modHybrid::activeHasTrack() const {
    return WmpActive ? !m_wmp.URL().isEmpty() : !m_mp.FileName().isEmpty();
}

double modHybrid::position() const {
    return WmpActive ? m_wmp.controls().currentPosition() : m_mp.CurrentPosition();
}

void modHybrid::setPosition(double seconds) {
    if (WmpActive) {
        m_wmp.controls().setCurrentPosition(seconds);
    } else {
        m_mp.setCurrentPosition(seconds);
    }
}

double modHybrid::duration() const {
    return WmpActive ? m_wmp.currentMedia().duration() : m_mp.Duration();
}

void modHybrid::LoadTrack(const QString& Path) {
    if (WmpActive) {
        m_wmp.setURL(Path);
    } else {
        m_mp.setFileName(Path);
    }
}

void modHybrid::PlayTrack() {
    if (!activeHasTrack()) {
        m_platform.messageBox(QStringLiteral("Please Select A Track"), AppIdentity::name(),
                              MsgButtons::Ok, MsgIcon::None);
        return;
    }
    if (activePaused()) {
        if (WmpActive) {
            m_wmp.controls().play();
        } else {
            m_mp.Play();
        }
    } else {
        LoadTrack(CurrentTrack);
    }
    m_platform.injectKey(VirtualKeys::Right);
}

void modHybrid::PauseTrack() {
    if (WmpActive) {
        m_wmp.controls().pause();
    } else {
        m_mp.Pause();
    }
}

void modHybrid::StopTrack() {
    if (!activePlaying() && !activePaused()) {
        return;
    }
    if (WmpActive) {
        m_wmp.controls().stop();
        m_wmp.controls().setCurrentPosition(0);
    } else {
        m_mp.Stop();
        m_mp.setCurrentPosition(0);
    }
}

void modHybrid::TogglePlayPause() {
    if (!activeHasTrack()) {
        return;
    }
    if (activePlaying()) {
        PauseTrack();
    } else if (WmpActive) {
        m_wmp.controls().play();
    } else {
        m_mp.Play();
    }
}

void modHybrid::ResumeOrPause() {
    if (!WmpActive) {
        return;
    }
    const int state = m_wmp.playState();
    if (state == WindowsMediaPlayer::wmppsPlaying) {
        m_wmp.controls().pause();
    } else if (state == WindowsMediaPlayer::wmppsPaused || !m_wmp.URL().isEmpty()) {
        m_wmp.controls().play();
    }
}
