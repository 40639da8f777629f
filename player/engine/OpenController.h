#pragma once
// Opening a track, from the request to its outcome, without waiting inside an event loop.
//
// open() pauses whatever plays, hands the track to the component that suits it and returns.
// When the component reports that the track plays, the track is stopped at its beginning,
// modHybrid names it and its component, and opened() follows. When it fails, or has not started
// within the time limit, the previous track comes back where it stood (in its own component,
// reloaded if the new one took its place) and failed() follows. An open asked for while
// another is under way takes over from it: the earlier one ends without an outcome, and the
// track to come back to on failure stays the one that was current before the first.
//
// Commands that act on a track are handed to whenSettled(): while an open is under way they
// are held, and run in the order they came once the open has ended, against the track then
// current, never against the one the user has left.

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>

class MediaComponent;
class MediaPlayer;
class WindowsMediaPlayer;
class modHybrid;

class OpenController : public QObject {
    Q_OBJECT
public:
    // The longest a track may take to start playing before its open counts as failed.
    static constexpr int kTimeLimitMs = 10000;

    OpenController(modHybrid& hybrid, WindowsMediaPlayer& WMP1, MediaPlayer& mp1,
                   QObject* parent = nullptr);

    // Starts opening `path` and returns at once. A path of fewer than three characters raises
    // errInvalidArgument before anything changes.
    void open(const QString& path);

    // An open, or the return to the previous track after a failed one, is under way.
    bool busy() const { return m_phase != Phase::Idle; }
    // Commands are being held or run from the hold: a new one joins the end of the line.
    bool holding() const { return busy() || m_choosing > 0 || m_draining || !m_held.empty(); }
    // A track is being chosen: commands that come before the open starts (a key typed as the
    // file dialog closes) wait as they do during the open. endChoice() without an open lets
    // them run.
    void beginChoice() { ++m_choosing; }
    void endChoice();
    // Runs `command` at once when nothing is held; otherwise holds it until the open has ended.
    // An exception it throws ends that command only.
    void whenSettled(std::function<void()> command);
    std::size_t heldCount() const { return m_held.size(); }

    void setTimeLimit(int ms) { m_limit.setInterval(ms); }

signals:
    // An open began; the track that played is paused where it was.
    void openStarted(const QString& path);
    // The track plays no more and waits at its beginning; modHybrid's CurrentTrack and
    // WmpActive name it. `replacedTrack`: another track was current before.
    void opened(const QString& path, bool replacedTrack);
    // The track cannot be played; the previous one is current again, where it stood.
    void failed(const QString& path, const QString& reason);
    // No open is under way any more and every held command has run.
    void settled();

private:
    enum class Phase { Idle, Waiting, Restoring };

    MediaComponent& component(bool wmp);
    void assign(bool wmp, const QString& path);
    void watch(bool wmp);
    void stopWatching();
    void check();
    void timedOut();
    void succeed();
    void fail(const QString& reason);
    void finishRestore();
    void drain();

    modHybrid& m_hybrid;
    WindowsMediaPlayer& m_wmp;
    MediaPlayer& m_mp;

    Phase m_phase = Phase::Idle;
    // Counts every open; an outcome that finds it moved on belongs to one taken over.
    int m_serial = 0;
    // The open under way.
    QString m_path;
    bool m_wantWmp = false;
    QString m_failure;
    // The track current when the first of the opens under way began, and where it stood.
    struct Previous {
        bool wmp = false;
        QString track;
        double position = 0;
        bool playing[2] = {false, false};
    };
    Previous m_previous;
    // The component whose state decides the phase under way.
    bool m_watchedWmp = false;
    bool m_watching = false;
    // Counts watches, so a time-out can tell whether the outcome began another.
    int m_watchCount = 0;
    QMetaObject::Connection m_watch;
    QMetaObject::Connection m_watchFailure;
    QString m_reason;
    QTimer m_limit;

    int m_choosing = 0;
    std::deque<std::function<void()>> m_held;
    bool m_draining = false;
};
