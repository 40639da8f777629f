#include "player/FakeMediaBackend.h"

#include <algorithm>

FakeMediaBackend::FakeMediaBackend(QObject* parent) : MediaBackend(parent) {}

double FakeMediaBackend::duration() const {
    if (m_path.isEmpty() || m_state == State::Opening || m_state == State::Failed) {
        return 0;
    }
    return m_durations.value(m_path, m_defaultDuration);
}

void FakeMediaBackend::setState(State s) {
    if (s == m_state) {
        return;
    }
    m_state = s;
    emit stateChanged(s);
}

void FakeMediaBackend::load(const QString& path) {
    loads << path;
    m_path = path;
    m_position = 0;
    m_error.clear();
    m_seekPending = false;
    m_loop = false;
    if (const auto it = m_failures.constFind(path); it != m_failures.constEnd()) {
        m_error = *it;
        setState(State::Failed);
        emit failed(m_error);
        return;
    }
    setState(State::Opening);
    if (opensAtOnce) {
        finishOpening();
    }
}

void FakeMediaBackend::abandonOpen(const QString& reason) {
    if (m_state != State::Opening) {
        return;
    }
    m_path.clear();
    m_error = reason;
    setState(State::Failed);
    emit failed(reason);
}

void FakeMediaBackend::finishOpening() {
    if (m_state != State::Opening) {
        return;
    }
    setState(State::Playing);
    emit durationChanged(duration());
}

void FakeMediaBackend::play() {
    ++plays;
    if (m_path.isEmpty() || m_state == State::Failed || m_state == State::Opening) {
        return;
    }
    if (m_state == State::Ended) {
        m_position = 0;
    }
    setState(State::Playing);
}

void FakeMediaBackend::pause() {
    ++pauses;
    if (m_state == State::Playing) {
        setState(State::Paused);
    }
}

void FakeMediaBackend::stop() {
    ++stops;
    if (m_path.isEmpty() || m_state == State::Failed) {
        return;
    }
    m_position = 0;
    setState(State::Stopped);
}

void FakeMediaBackend::seek(double seconds) {
    seeks.push_back(seconds);
    if (m_path.isEmpty() || m_state == State::Failed || m_state == State::Opening) {
        return;
    }
    if (!m_seekPending) {
        m_seekFrom = m_position;
    }
    m_position = std::clamp(seconds, 0.0, duration());
    if (m_state == State::Ended) {
        setState(State::Paused);
    }
    m_seekPending = true;
    if (seeksCompleteAtOnce) {
        completeSeek();
    }
}

void FakeMediaBackend::completeSeek() {
    if (!m_seekPending) {
        return;
    }
    m_seekPending = false;
    emit seekCompleted(m_seekFrom, m_position);
}

void FakeMediaBackend::setVolume(int percent) {
    m_volume = std::clamp(percent, 0, 100);
}

void FakeMediaBackend::setLoop(double from, double to) {
    if (m_path.isEmpty() || m_state == State::Failed || to <= from) {
        return;
    }
    m_loop = true;
    m_loopFrom = from;
    m_loopTo = to;
    if (m_position >= to) {
        seek(from);
    }
}

void FakeMediaBackend::advance(double seconds) {
    if (m_state != State::Playing) {
        return;
    }
    m_position += seconds;
    if (m_loop && m_position >= std::min(m_loopTo, duration())) {
        m_position = m_loopFrom;
        emit loopRestarted();
        return;
    }
    if (m_position >= duration()) {
        m_position = duration();
        setState(State::Ended);
    }
}

void FakeMediaBackend::setDuration(double seconds) {
    m_defaultDuration = seconds;
}

void FakeMediaBackend::setDurationFor(const QString& path, double seconds) {
    m_durations.insert(path, seconds);
}

void FakeMediaBackend::failLoadOf(const QString& path, const QString& reason) {
    m_failures.insert(path, reason);
}
