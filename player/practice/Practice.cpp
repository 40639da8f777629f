#include "practice/Practice.h"

#include "engine/PlayerInterface.h"
#include "engine/PracticeTempo.h"
#include "practice/LoopBetweenMarks.h"
#include "practice/PracticeSession.h"

Practice::Practice(PlayerInterface& player, MarkModel& marks, MarkRepository& repository,
                   const std::vector<MediaBackend*>& backends, QObject* parent)
    : QObject(parent) {
    m_tempo = new PracticeTempo(backends, this);
    m_loop = new LoopBetweenMarks(marks, player, backends, this);
    m_session = new PracticeSession(*m_tempo, *m_loop, player, repository, backends, this);
    // The track's own speed, transposition and loop practice; 100 % and 0 when never set.
    connect(&player, &PlayerInterface::trackOpened, m_session, &PracticeSession::restore);
}

Practice::~Practice() = default;

void Practice::wentToMark(int index) {
    m_loop->wentToMark(index);
}
