#pragma once
// The player's one main window: start-up and shut-down, the transport buttons and timers,
// opening a track, and the keys that reach it whichever control has the focus.

#include "engine/MediaBackend.h"
#include "engine/MediaPlayer.h"
#include "engine/OpenController.h"
#include "engine/WindowsMediaPlayer.h"
#include "engine/modHybrid.h"
#include "marks/KeyCommands.h"
#include "marks/MarkKeypad.h"
#include "marks/MarkPoints.h"
#include "marks/MarkStrip.h"
#include "window/KeyboardMenus.h"
#include "window/RehearsalForm.h"

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

class BeatMarks;
class HeldInput;
class HelpPanels;
class KeyPreview;
class MarkExchange;
class MissingTracks;
class MediaComponentView;
class Platform;
class QAction;
class QMenu;
class RecentTracks;
class RunningTime;

class frmRehearsal : public QMainWindow, public RehearsalForm {
    Q_OBJECT
public:
    // The components, modHybrid, the open controller and the recent tracks are built by the
    // program's composition root and outlive the window.
    frmRehearsal(Platform& platform, WindowsMediaPlayer& WMP1, MediaPlayer& mp1, modHybrid& hybrid,
                 OpenController& opener, RecentTracks& recent, QWidget* parent = nullptr);

    // The mark subsystems, made by the root over this window's strip and keypad: the window
    // shows them and forwards its events and keys to them. Until then it takes no keys.
    struct MarkParts {
        MarkStrip& strip;
        MarkPoints& marks;
        KeyCommands& keys;
        MarkExchange& exchange;
        MissingTracks& missing;
    };
    void attachMarks(const MarkParts& parts);
    // The window's transport buttons and its winding timer, as the key commands give them.
    TransportCommands transportCommands();
    ~frmRehearsal() override;

    // The common dialog's state: its filter and the folder it starts in.
    QString dialogFilter() const { return m_cdlFilter; }
    QString dialogInitDir() const { return m_cdlInitDir; }

    static QString AddDialogFilter(const QString& filter, const QString& Description,
                                   const QString& Pattern);

    // Asks for a file when `Path` is empty (the choice is written back), then starts opening
    // it and returns; the window shows the outcome when the open controller reports it.
    void OpenTrack(QString& Path);
    void cmdOpen_Click();
    void cmdPlay_Click();
    void cmdPause_Click();
    void cmdStop_Click();
    void cmdBogus_Click();
    void mnuOptionsSync_Click();
    void mnuAbout_Click();
    void tmrTime_Timer();
    void tmrFast_Timer();

    QTimer tmrTime;
    QTimer tmrFast;
    QString tmrFastTag;
    QMenu* mnuFile;
    QAction* mnuFileOpen;
    // The entry of the Recent submenu; greyed out while the list is empty.
    QAction* mnuFileRecent;
    QMenu* mnuFileRecentList;
    QAction* mnuFileExportMarks;
    QAction* mnuFileImportMarks;
    QAction* mnuFileExit;
    QMenu* mnuOptions;
    QAction* mnuOptionsSync;
    QAction* mnuOptionsForgetMissing;
    QAction* mnuOptionsSnapToBeat = nullptr;
    QAction* mnuOptionsSectionMarks = nullptr;
    QAction* mnuOptionsMetronome = nullptr;
    QAction* mnuAbout;

    modHybrid& hybrid() { return *m_hybrid; }
    OpenController& opener() { return m_opener; }
    MarkPoints& marks() { return *m_marks; }
    MarkStrip& strip() { return *m_strip; }
    KeyCommands& keys() { return *m_keys; }
    KeyboardMenus& keyboardMenus() { return m_keyboardMenus; }
    MarkExchange& exchange() { return *m_exchange; }
    // The beat's commands in the Options menu and the mark menus.
    void useBeat(BeatMarks& beats);

    // Called by the key filter with virtual-key codes; public so tests can drive keys.
    void keyDown(int virtualKey);
    void keyUp(int virtualKey);

signals:
    // A track has been opened completely: marks laid out, title and running time shown.
    void trackOpened();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    // One entry per recent track, newest first, numbered 1 to 8 for the keyboard.
    void fillRecentMenu();
    void buildKeyboardMenus();
    bool keyboardEvent(QWidget* widget, QEvent* event);
    void startUp();
    void showActiveComponent();
    void showOpenedTrack(const QString& path, bool replacedTrack);
    void showOpenFailed(const QString& path, const QString& reason);
    void reportCannotPlay(const QString& path, const QString& reason);
    void announceOpened(const QString& title);
    void lengthKnown();

    Platform& m_platform;
    modHybrid* m_hybrid;
    MarkStrip* m_strip = nullptr;
    MarkPoints* m_marks = nullptr;
    KeyCommands* m_keys = nullptr;
    MarkExchange* m_exchange = nullptr;
    MissingTracks* m_missing = nullptr;
    BeatMarks* m_beats = nullptr;
    RecentTracks& m_recent;
    QString m_cdlFilter;
    QString m_cdlInitDir;
    KeyPreview* m_keyPreview = nullptr;
    KeyboardMenus m_keyboardMenus;
    // The menu bar was opened with F10 and still shows an entry: keys go to it.
    bool m_menuBarByKeys = false;
    bool m_shuttingDown = false;
    OpenController& m_opener;
    RunningTime* m_runningTime = nullptr;
    // Keys and clicks held while a track opens.
    std::unique_ptr<HeldInput> m_held;
};
