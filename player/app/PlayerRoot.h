#pragma once
// The one place where the player is put together: the two media components over their back
// ends, modHybrid, the marks' repository and model, the window, the player interface, the
// practice room and the window's practice tools, and the desktop's media controls. Everything
// else receives what it needs; nothing looks it up.

#include "engine/MediaBackend.h"

#include <functional>
#include <memory>

class MarkModel;
class MarkRepository;
class MediaPlayer;
class MprisService;
class OpenController;
class Platform;
class Practice;
class PracticeTools;
class RehearsalPlayer;
class SettingsAccess;
class WindowsMediaPlayer;
class frmRehearsal;
class modHybrid;

class PlayerRoot {
public:
    using BackendFactory = std::function<std::unique_ptr<MediaBackend>()>;

    PlayerRoot(Platform& platform, SettingsAccess& settings, const BackendFactory& backends);
    ~PlayerRoot();

    frmRehearsal& window() { return *m_window; }
    PracticeTools& practice() { return *m_tools; }
    Practice& practiceRoom() { return *m_practice; }
    RehearsalPlayer& player() { return *m_player; }
    // False when there is no session bus or the name is taken; the player runs on without.
    bool publishOnSessionBus();

private:
    std::unique_ptr<WindowsMediaPlayer> m_wmp;
    std::unique_ptr<MediaPlayer> m_mp;
    std::unique_ptr<modHybrid> m_hybrid;
    std::unique_ptr<OpenController> m_opener;
    std::unique_ptr<MarkRepository> m_repository;
    std::unique_ptr<MarkModel> m_marks;
    std::unique_ptr<frmRehearsal> m_window;
    std::unique_ptr<RehearsalPlayer> m_player;
    std::unique_ptr<Practice> m_practice;
    std::unique_ptr<PracticeTools> m_tools;
    std::unique_ptr<MprisService> m_mpris;
};
