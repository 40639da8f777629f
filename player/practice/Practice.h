#pragma once
// The practice room: the practice tempo (speed and transposition) of both components, the loop
// between marks, and the practice session over it (the track's own speed and settings, lead-in,
// breath between passes, speed trainer). It sees the player only through PlayerInterface and the
// marks only through MarkModel; what it stores goes through MarkRepository. The window's
// practice controls and panel show it and give it their commands.

#include <QObject>

#include <vector>

class LoopBetweenMarks;
class MarkModel;
class MarkRepository;
class MediaBackend;
class PlayerInterface;
class PracticeSession;
class PracticeTempo;

class Practice : public QObject {
    Q_OBJECT
public:
    // `backends`: those of both components, which the tempo is applied to and either of which
    // may loop.
    Practice(PlayerInterface& player, MarkModel& marks, MarkRepository& repository,
             const std::vector<MediaBackend*>& backends, QObject* parent = nullptr);
    ~Practice() override;

    PracticeTempo& tempo() { return *m_tempo; }
    LoopBetweenMarks& loop() { return *m_loop; }
    PracticeSession& session() { return *m_session; }

    // Told after every go-to of a mark that moved the player: another mark ends the loop.
    void wentToMark(int index);

private:
    PracticeTempo* m_tempo;
    LoopBetweenMarks* m_loop;
    PracticeSession* m_session;
};
