#include "practice/LoopBetweenMarks.h"

#include "engine/PlayerInterface.h"
#include "models/MarkModel.h"
#include "models/MarkPosition.h"

#include <algorithm>

LoopBetweenMarks::LoopBetweenMarks(MarkModel& marks, PlayerInterface& player,
                                   const std::vector<MediaBackend*>& backends, QObject* parent)
    : QObject(parent), m_marks(marks), m_player(player) {
    // Marks change from many places (keypad, keys, nudges, undo); the loop looks at them
    // while it runs instead of being told by each.
    m_watch.setInterval(kFollowMs);
    connect(&m_watch, &QTimer::timeout, this, &LoopBetweenMarks::followMarks);
    for (MediaBackend* backend : backends) {
        watch(backend);
    }
}

void LoopBetweenMarks::watch(MediaBackend* backend) {
    connect(backend, &MediaBackend::stateChanged, this, [this, backend](MediaBackend::State state) {
        if (backend != m_backend) {
            return;
        }
        // Opening (a new track or PLAY from the start), stopping, the end of the
        // track or a failure end the loop; pausing keeps it.
        if (state != MediaBackend::State::Playing && state != MediaBackend::State::Paused) {
            end();
        }
    });
    connect(backend, &MediaBackend::loopRestarted, this, [this, backend] {
        if (backend == m_backend) {
            m_marks.showNote(m_marks.note(m_startMark));
        }
    });
}

void LoopBetweenMarks::toggle() {
    if (active()) {
        end();
    } else {
        start(m_marks.current());
    }
}

QStringList LoopBetweenMarks::markSignature() const {
    QStringList marks;
    for (int i = 0; i < 10; ++i) {
        marks << (m_marks.isSet(i) ? m_marks.position(i) : QString());
    }
    return marks;
}

bool LoopBetweenMarks::start(int mark) {
    if (mark < 0 || mark > 9 || !m_marks.isSet(mark) || !m_player.hasTrack()) {
        return false;
    }
    const std::optional<double> start = MarkPosition::parse(m_marks.position(mark));
    if (!start) {
        return false;
    }
    double from = *start;
    double to = m_player.length();
    int endMark = -1;
    for (int i = 0; i < 10; ++i) {
        if (i == mark || !m_marks.isSet(i)) {
            continue;
        }
        const std::optional<double> p = MarkPosition::parse(m_marks.position(i));
        if (p && *p > from && *p < to) {
            to = *p;
            endMark = i;
        }
    }
    if (from < 0) {
        from = 0;
    }
    if (turnBack && to > from) {
        to = std::min(turnBack(from, to), m_player.length());
    }
    if (to <= from) {
        return false;
    }
    MediaBackend& backend = m_player.activeBackend();
    const double musicStart = std::max(0.0, from - m_leadIn);
    const double passStart = std::max(0.0, musicStart - (countIn ? countIn() : 0.0));
    const bool wasActive = active();
    backend.setLoop(passStart, to);
    if (!backend.looping()) {
        return false;
    }
    // The first pass hears its lead-in too.
    if (!wasActive && passStart < from) {
        backend.seek(passStart);
    }
    m_backend = &backend;
    m_passStart = passStart;
    m_musicStart = musicStart;
    m_startMark = mark;
    m_endMark = endMark;
    m_from = from;
    m_to = to;
    m_signature = markSignature();
    m_watch.start();
    m_marks.showNote(m_marks.note(mark));
    emit changed();
    return true;
}

void LoopBetweenMarks::followMarks() {
    if (!active() || markSignature() == m_signature) {
        return;
    }
    // Its marks were moved, cleared, or a mark was set inside it: the loop takes the new
    // places, or ends when its start is gone.
    if (!start(m_startMark)) {
        end();
    }
}

void LoopBetweenMarks::setLeadIn(double seconds) {
    seconds = std::clamp(seconds, 0.0, 3600.0);
    if (seconds == m_leadIn) {
        return;
    }
    m_leadIn = seconds;
    if (active() && !start(m_startMark)) {
        end();
    }
}

void LoopBetweenMarks::countInChanged() {
    if (active() && !start(m_startMark)) {
        end();
    }
}

void LoopBetweenMarks::end() {
    if (!m_backend) {
        return;
    }
    MediaBackend* backend = m_backend;
    m_backend = nullptr;
    m_watch.stop();
    backend->clearLoop();
    m_startMark = -1;
    m_endMark = -1;
    emit changed();
}

void LoopBetweenMarks::wentToMark(int index) {
    if (active() && index != m_startMark) {
        end();
    }
}
