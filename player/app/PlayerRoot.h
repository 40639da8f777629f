#pragma once
// The one place where the player is put together: the two media components over their back
// ends, modHybrid, the open controller, the marks' repository and model, the recent tracks, the
// window, the mark commands over its strip and keypad (with the key commands, mark export and
// missing tracks), the player interface, the practice room and the window's practice tools, and
// the desktop's media controls. Everything else receives what it needs; nothing looks it up.

#include "engine/MediaBackend.h"

#include <functional>
#include <memory>

class BeatMarks;
class KeyCommands;
class MarkExchange;
class MarkModel;
class MarkPoints;
class MarkRepository;
class MarkStrip;
class MediaPlayer;
class MprisService;
class OpenController;
class Platform;
class MissingTracks;
class Practice;
class PracticeTools;
class RecentTracks;
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
    BeatMarks& beats() { return *m_beats; }
    // False when there is no session bus or the name is taken; the player runs on without.
    bool publishOnSessionBus();

private:
    // The keypad, the nudge buttons and the note line to the mark commands and the model.
    void wireMarkViews();
    // The track's beat: on the strip, beside the speed, in the menus and the keys T, G and M.
    void wireBeat(Platform& platform, SettingsAccess& settings);

    std::unique_ptr<WindowsMediaPlayer> m_wmp;
    std::unique_ptr<MediaPlayer> m_mp;
    std::unique_ptr<modHybrid> m_hybrid;
    std::unique_ptr<OpenController> m_opener;
    std::unique_ptr<MarkRepository> m_repository;
    std::unique_ptr<MarkModel> m_marks;
    std::unique_ptr<RecentTracks> m_recent;
    std::unique_ptr<frmRehearsal> m_window;
    std::unique_ptr<MarkStrip> m_strip;
    std::unique_ptr<MarkPoints> m_markPoints;
    std::unique_ptr<KeyCommands> m_keys;
    std::unique_ptr<MarkExchange> m_exchange;
    std::unique_ptr<MissingTracks> m_missing;
    std::unique_ptr<RehearsalPlayer> m_player;
    std::unique_ptr<Practice> m_practice;
    std::unique_ptr<PracticeTools> m_tools;
    std::unique_ptr<BeatMarks> m_beats;
    std::unique_ptr<MprisService> m_mpris;
};
