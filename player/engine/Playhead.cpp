#include "engine/Playhead.h"

#include <algorithm>

Playhead::Listener Playhead::noticesOf(MediaBackend& backend, QString& error) {
    Listener l;
    l.stateChanged = [&backend](State s) { emit backend.stateChanged(s); };
    l.seekCompleted = [&backend](double from, double to) { emit backend.seekCompleted(from, to); };
    l.lengthChanged = [&backend](double seconds) { emit backend.durationChanged(seconds); };
    l.failed = [&backend, &error](const QString& reason) {
        error = reason;
        emit backend.failed(reason);
    };
    l.loopRestarted = [&backend] { emit backend.loopRestarted(); };
    return l;
}

Playhead::State Playhead::stateOf(Phase phase) {
    switch (phase) {
    case Phase::Idle:
        return State::Empty;
    case Phase::Opening:
        return State::Opening;
    case Phase::Ready:
        return State::Stopped;
    case Phase::Playing:
        return State::Playing;
    case Phase::Paused:
        return State::Paused;
    case Phase::Ended:
        return State::Ended;
    case Phase::Failed:
        return State::Failed;
    case Phase::Seeking:
        break;
    }
    return State::Empty;
}

Playhead::State Playhead::state() const {
    return stateOf(m_phase == Phase::Seeking ? m_afterSeek : m_phase);
}

void Playhead::setPhase(Phase phase) {
    const State before = state();
    m_phase = phase;
    announce(before);
}

void Playhead::announce(State before) {
    if (state() != before && notify.stateChanged) {
        notify.stateChanged(state());
    }
}

void Playhead::setLength(double seconds) {
    if (seconds == m_length) {
        return;
    }
    m_length = seconds;
    if (notify.lengthChanged) {
        notify.lengthChanged(seconds);
    }
}

void Playhead::startSeek(double target, bool reported) {
    m_seekReported = reported;
    m_hold = true;
    m_holdValue = target;
    m_floorActive = false;
    m_engine.seekExact(target);
}

void Playhead::load() {
    m_fileLoaded = false;
    m_onStart = Phase::Playing;
    m_startSeekPending = false;
    m_hold = false;
    m_floorActive = false;
    m_loopInside = false;
    setLength(0);
    setPhase(Phase::Opening);
    m_engine.setPaused(false);
    if (m_loop) {
        m_loop = false;
        m_engine.clearLoopPoints();
    }
}

void Playhead::play() {
    const State before = state();
    switch (m_phase) {
    case Phase::Idle:
    case Phase::Failed:
        return;
    case Phase::Opening:
        m_onStart = Phase::Playing;
        m_engine.setPaused(false);
        return;
    case Phase::Ended:
        m_seekFrom = position();
        m_afterSeek = Phase::Playing;
        startSeek(0, false);
        m_phase = Phase::Seeking;
        break;
    case Phase::Seeking:
        m_afterSeek = Phase::Playing;
        break;
    case Phase::Ready:
    case Phase::Paused:
        if (m_hold) {
            m_hold = false;
            m_floorActive = true;
            m_floor = m_holdValue;
        }
        m_phase = Phase::Playing;
        break;
    case Phase::Playing:
        break;
    }
    m_engine.setPaused(false);
    announce(before);
}

void Playhead::pause() {
    if (m_phase == Phase::Opening) {
        m_onStart = Phase::Paused;
        m_engine.setPaused(true);
        return;
    }
    if (state() != State::Playing) {
        return;
    }
    const double here = position();
    m_engine.setPaused(true);
    m_floorActive = false;
    if (m_phase == Phase::Seeking) {
        m_afterSeek = Phase::Paused;
        announce(State::Playing);
        return;
    }
    if (!m_hold) {
        m_hold = true;
        m_holdValue = here;
    }
    m_floorActive = false;
    setPhase(Phase::Paused);
}

void Playhead::stop() {
    if (m_phase == Phase::Idle || m_phase == Phase::Failed) {
        return;
    }
    m_engine.setPaused(true);
    if (m_phase == Phase::Opening) {
        m_onStart = Phase::Ready;
        m_startSeekPending = false;
        return;
    }
    // A stop gives no seek notification.
    startSeek(0, false);
    const State before = state();
    m_afterSeek = Phase::Ready;
    m_phase = Phase::Seeking;
    announce(before);
}

void Playhead::seek(double seconds) {
    if (m_phase == Phase::Idle || m_phase == Phase::Failed) {
        return;
    }
    seconds = std::max(seconds, 0.0);
    if (m_phase == Phase::Opening) {
        m_startSeekPending = true;
        m_startSeek = seconds;
        return;
    }
    // Seeks in a row report the position before the first.
    if (m_phase != Phase::Seeking || !m_seekReported) {
        m_seekFrom = position();
    }
    if (m_phase != Phase::Seeking) {
        m_afterSeek = m_phase == Phase::Ended ? Phase::Paused : m_phase;
    }
    const State before = state();
    m_loopInside = false;
    startSeek(seconds, true);
    m_phase = Phase::Seeking;
    announce(before);
}

void Playhead::setLoop(double from, double to) {
    if (m_phase == Phase::Idle || m_phase == Phase::Failed || to <= from) {
        return;
    }
    m_loop = true;
    m_loopInside = false;
    m_loopFrom = from;
    m_loopTo = to;
    m_engine.setLoopPoints(from, to);
    // libmpv only loops a playhead that has not passed the end point yet.
    if (position() >= to) {
        seek(from);
    }
}

void Playhead::clearLoop() {
    if (!m_loop) {
        return;
    }
    m_loop = false;
    m_loopInside = false;
    m_engine.clearLoopPoints();
}

void Playhead::fail(const QString& reason) {
    m_hold = false;
    m_floorActive = false;
    m_startSeekPending = false;
    setPhase(Phase::Failed);
    if (notify.failed) {
        notify.failed(reason);
    }
}

void Playhead::fileLoaded(double length) {
    m_fileLoaded = true;
    if (length > 0) {
        setLength(length);
    }
}

void Playhead::lengthReported(double length) {
    // Before the file is loaded the report may still be the previous track's; a report of no
    // length is a stale "unavailable" from the change of track.
    if (!m_fileLoaded || length <= 0) {
        return;
    }
    setLength(length);
}

void Playhead::restarted(double length) {
    if (!m_fileLoaded || m_phase == Phase::Failed || m_phase == Phase::Idle) {
        return;
    }
    if (m_phase == Phase::Opening) {
        if (length > 0) {
            setLength(length);
        }
        if (m_length <= 0) {
            m_engine.unload();
            fail(QStringLiteral("Its length cannot be read."));
            return;
        }
        const Phase first = m_onStart;
        if (m_startSeekPending && first != Phase::Ready) {
            m_startSeekPending = false;
            m_seekFrom = 0;
            m_afterSeek = first;
            startSeek(m_startSeek, true);
            setPhase(Phase::Seeking);
            return;
        }
        m_startSeekPending = false;
        if (first != Phase::Playing) {
            m_hold = true;
            m_holdValue = 0;
        }
        setPhase(first);
        return;
    }
    if (m_phase != Phase::Seeking) {
        // Only the engine's own loop restarts playback without being asked.
        if (m_loop && notify.loopRestarted) {
            notify.loopRestarted();
        }
        return;
    }
    const double target = m_holdValue;
    const bool reported = m_seekReported;
    if (m_afterSeek == Phase::Playing) {
        m_hold = false;
        m_floorActive = true;
        m_floor = target;
    }
    setPhase(m_afterSeek);
    if (reported && notify.seekCompleted) {
        notify.seekCompleted(m_seekFrom, target);
    }
}

void Playhead::engineSeeked() {
    if (m_loop && m_phase != Phase::Opening && m_phase != Phase::Seeking) {
        m_loopInside = true;
    }
}

void Playhead::endOfFileReached() {
    if (m_phase == Phase::Playing) {
        setPhase(Phase::Ended);
    }
}

void Playhead::fileEnded(bool error, const QString& reason) {
    if (m_phase == Phase::Failed || m_phase == Phase::Idle) {
        return;
    }
    if (error) {
        fail(reason);
    } else if (m_phase == Phase::Opening) {
        fail(reason);
    } else if (m_phase != Phase::Ended) {
        setPhase(Phase::Ended);
    }
}

void Playhead::openTimedOut(const QString& reason) {
    if (m_phase != Phase::Opening) {
        return;
    }
    m_engine.unload();
    fail(reason);
}

double Playhead::position() const {
    if (m_phase == Phase::Opening) {
        return m_startSeekPending ? m_startSeek : 0;
    }
    if (m_phase == Phase::Idle || m_phase == Phase::Failed) {
        return 0;
    }
    if (m_hold) {
        return m_holdValue;
    }
    const double t = m_engine.time();
    if (m_loop) {
        // libmpv's loop turns back without dropping the sound already buffered: until that has
        // played, libmpv reads the start minus the buffer, while what is heard is still the
        // end of the loop. A playhead inside the loop never goes before its start by itself.
        if (t >= m_loopFrom) {
            m_loopInside = true;
        } else if (m_loopInside) {
            return std::max(m_loopFrom, m_loopTo - (m_loopFrom - t));
        }
    }
    if (m_floorActive) {
        if (t < m_floor) {
            return m_floor;
        }
        m_floorActive = false;
    }
    return t < 0 ? 0 : t;
}
