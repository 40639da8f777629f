#pragma once
// Loop between marks: from the current mark to the next set mark later in the track (or to
// the end of the track when there is none), over and over. Going to another mark, opening a
// track, stopping, or toggling again ends it. While it runs, the note of the mark where it
// starts stays on the note line. Moving, clearing or setting marks while it runs moves its ends
// with them.

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

class MarkModel;
class MediaBackend;
class PlayerInterface;

class LoopBetweenMarks : public QObject {
    Q_OBJECT
public:
    // `backends`: those of both components; the loop runs on the one active when it starts.
    LoopBetweenMarks(MarkModel& marks, PlayerInterface& player,
                     const std::vector<MediaBackend*>& backends, QObject* parent = nullptr);

    // The L key: starts a loop at the current mark, or ends the running one. Without a current
    // set mark, or when the mark lies at or past the end of the track, nothing happens.
    void toggle();
    void end();
    // Called after every go-to: a mark other than the loop's start ends the loop.
    void wentToMark(int index);

    bool active() const { return m_backend != nullptr; }
    int startMark() const { return m_startMark; }
    // The mark where the loop turns back, or -1 when it turns back at the end of the track.
    int endMark() const { return m_endMark; }
    double from() const { return m_from; }
    double to() const { return m_to; }
    // The back end that loops, null when none does.
    MediaBackend* backend() const { return m_backend; }

    // Seconds that every pass plays before the start mark (never before 0 s). A loop that
    // starts with a lead-in begins at once with one; a running loop takes a new one at once.
    void setLeadIn(double seconds);
    double leadIn() const { return m_leadIn; }
    // Seconds of count-in before the lead-in (clicks, the track silent); none when unset.
    // After it changes, countInChanged() takes it into a running loop.
    std::function<double()> countIn;
    void countInChanged();
    // Where a loop from `from` to the end mark at `to` turns back: on the beat, after whole
    // bars, when both marks lie on beats; `to` itself when unset.
    std::function<double(double from, double to)> turnBack;
    // Where the music of a pass comes in: after the count-in, at the lead-in or the mark.
    double musicStart() const { return m_musicStart; }
    // Where each pass begins: the start mark less the lead-in.
    double passStart() const { return m_passStart; }

    // Re-reads the marks now; done every kFollowMs while the loop runs.
    void followMarks();
    static constexpr int kFollowMs = 200;

signals:
    void changed();

private:
    void watch(MediaBackend* backend);
    // Loops from `mark`; false (and nothing changed) when it cannot.
    bool start(int mark);
    QStringList markSignature() const;

    MarkModel& m_marks;
    PlayerInterface& m_player;
    MediaBackend* m_backend = nullptr;
    int m_startMark = -1;
    int m_endMark = -1;
    double m_from = 0;
    double m_to = 0;
    double m_leadIn = 0;
    double m_passStart = 0;
    double m_musicStart = 0;
    QStringList m_signature;
    QTimer m_watch;
};
